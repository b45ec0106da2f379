#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class CRegSettings;

/// The "Recent Files" list of the settings store: values "1" (newest) to "10", each one
/// launched path or address; the first missing or empty value ends the list.
class RecentLaunchList final {
public:
    static constexpr int MaxEntries = 10;

    explicit RecentLaunchList(CRegSettings& store)
        : m_store(store)
    {}
    Q_DISABLE_COPY_MOVE(RecentLaunchList)

    /// The stored text of entry `number` (1 … 10); "" when missing.
    QString entry(int number) const;
    /// The entries from "1" up to (not including) the first missing or empty one.
    QStringList entries() const;
    /// The launch target of entry `number`; empty when missing.
    QByteArray target(int number) const;
    /// Makes `target` entry "1": an equal entry further down (exact, case-sensitive) moves
    /// up and the entries above it move down one place; a new one pushes every entry down,
    /// dropping the tenth. An empty target changes nothing. True when the store changed.
    bool add(const QByteArray& target);
    /// Adds each of `targets` in turn, with one write of the store. True when it changed.
    bool add(const QList<QByteArray>& targets);

    /// The text stored for a target: the path itself when it is valid UTF-8, else its
    /// file:// address, so that no byte of the name is lost.
    static QString storedText(const QByteArray& target);
    /// The launch target a stored text stands for.
    static QByteArray targetOf(const QString& stored);

private:
    void write(int number, const QString& value);

    CRegSettings& m_store;
};
