#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QMutex>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

/// `text` with case differences taken out, as every comparison without regard to case does:
/// case-folded, the dotted capital I taken as 'i'.
QString withoutCase(QString text);

/// The "contains" test of a search: whether a name or address contains the search text,
/// exactly (Match Case) or without regard to case (both case-folded, so that "ΣΊΣΥΦΟΣ" finds
/// "σίσυφος" with its final sigma; "ß" still does not stand for "SS"). Built once per change of the
/// text; testing is cheap and works on the name's bytes, decoding only when the fast paths cannot
/// decide (names with non-ASCII characters and Match Case off).
class MatchQuery final {
public:
    /// A query for `text`; an empty text is contained in every non-empty name.
    MatchQuery(const QString& text, bool matchCase);
    /// A query for the text given as bytes (from the command line). Valid UTF-8 acts as
    /// the same text given as a QString; other bytes are matched as bytes: exactly with
    /// Match Case, else with ASCII letters in either case (other bytes still exact). Such a
    /// text matches no address, which is always valid text.
    static MatchQuery fromBytes(const QByteArray& bytes, bool matchCase);

    /// Whether the file name (bytes as on disk) contains the text.
    bool matchesName(QByteArrayView name) const;
    /// Whether some name among `names` (the bytes of several names, one after the other;
    /// `asciiNames`: all of them ASCII) may contain the text: false only when none does.
    /// One scan of the bytes, so a folder without a match costs no test per name.
    bool mayMatchAmong(QByteArrayView names, bool asciiNames) const;
    /// Whether a text (a shortcut's address) contains the search text; "" never does.
    bool matchesText(const QString& text) const;

    const QString& text() const { return m_text; }
    bool matchCase() const { return m_matchCase; }

private:
    bool slowMatch(QByteArrayView name) const;
    bool byteMatch(QByteArrayView name) const;

    QString m_text;
    QString m_lowerText;     // the text lower-cased, for Match Case off
    QByteArray m_utf8;       // the text as UTF-8, for Match Case on
    QByteArray m_asciiLower; // the lower-cased text as bytes when it is pure ASCII
    bool m_matchCase = false;
    bool m_asciiText = false; // the folded text is pure ASCII
    bool m_bytesOnly = false; // the text is not valid UTF-8: m_utf8 holds its bytes
};

/// The search text and Match Case as the window publishes them and a walk reads them, per
/// entry, from another thread. Reading is one atomic load while nothing changed.
class LiveQuery final {
public:
    LiveQuery();
    Q_DISABLE_COPY_MOVE(LiveQuery)

    /// Publishes a new search text.
    void setSearchText(const QString& text);
    /// Publishes a new search text given as bytes (see `MatchQuery::fromBytes`).
    void setSearchBytes(const QByteArray& bytes);
    /// Publishes a new Match Case state.
    void setMatchCase(bool matchCase);

    /// A reader's view: holds the query current at its last refresh.
    class Reader final {
    public:
        explicit Reader(const LiveQuery& live)
            : m_live(live)
        {
            refresh();
        }
        /// The query in force now; cheap when nothing changed since the last call.
        const MatchQuery& current()
        {
            if (m_version != m_live.m_version.load(std::memory_order_acquire))
                refresh();
            return *m_query;
        }

    private:
        void refresh();

        const LiveQuery& m_live;
        quint64 m_version = 0;
        std::shared_ptr<const MatchQuery> m_query;
    };

private:
    void publish();

    mutable QMutex m_mutex;
    QString m_text;
    std::optional<QByteArray> m_bytes; // set by setSearchBytes
    bool m_matchCase = false;
    std::shared_ptr<const MatchQuery> m_query;
    std::atomic<quint64> m_version{1};
};
