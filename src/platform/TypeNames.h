#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

/// The type names shown in the File Type column: "File Folder" for folders, otherwise the
/// MIME comment of the name (no content sniffing), else the extension fallback ("XYZ File").
/// Names are cached by the part of the name that decides their type, and equal names share
/// one QString. Safe to use from any thread.
class TypeNames final {
public:
    TypeNames();
    Q_DISABLE_COPY_MOVE(TypeNames)

    /// The process-wide instance.
    static TypeNames& instance();

    /// The type name of an entry named `name` (bytes as on disk); "File Folder" when `folder`.
    QString typeName(QByteArrayView name, bool folder);

    /// A cache in front of the shared one for one thread: a type already seen is answered
    /// without taking the shared cache's lock. Not to be shared between threads.
    class Local final {
    public:
        /// A cache in front of `names`, which must outlive it.
        explicit Local(TypeNames& names)
            : m_names(names)
        {}
        Q_DISABLE_COPY_MOVE(Local)
        /// Same as `TypeNames::typeName`, and the same shared string.
        QString typeName(QByteArrayView name, bool folder);

    private:
        TypeNames& m_names;
        QHash<QString, QString> m_cache;
        QHash<QByteArray, QString> m_byExtension; // plain ASCII names, by their last extension
    };

    /// The exact type name of every directory.
    static QString folderTypeName();
    /// The fallback when the MIME database knows no type: the last extension upper-cased with
    /// " File" appended, without its dot ("data.xyz" gives "XYZ File"); "File" for a name
    /// without an extension.
    static QString extensionFallback(const QString& name);

private:
    static QString decoded(QByteArrayView name);
    QString shared(const QString& key, const QString& text);
    QString cacheKey(const QString& name) const;
    /// For a plain ASCII name that no whole-name, wildcard or multi-dot glob may fit: its
    /// last extension (empty for none), which alone then decides its type, found without
    /// making a string; std::nullopt for every other name.
    std::optional<QByteArrayView> plainExtension(QByteArrayView name) const;
    QString lookUp(const QString& name) const;
    void addGlob(const QString& glob, QStringList& otherGlobs);
    bool readGlobFiles(QStringList& otherGlobs);

    QMutex m_mutex;
    QHash<QString, QString> m_cache;
    // Glob patterns that do not depend on the last extension alone.
    QSet<QString> m_literalNames;     // "Makefile": whole names
    QSet<QString> m_multiDotSuffixes; // ".tar.gz": suffixes over more than one dot
    struct Glob {
        QString pattern; // lower-cased
        QString prefix;  // the letters before its first wildcard: a cheap first test
        QString suffix;  // the letters after its last wildcard
    };
    QList<Glob> m_otherGlobs; // "readme*", "*~": checked one by one
    // The same rules as ASCII bytes, for plainExtension; a rule that is not ASCII cannot fit
    // an ASCII name, so it is left out.
    QSet<QByteArray> m_asciiLiterals;
    QSet<QByteArray> m_asciiMultiDot;
    struct AsciiGlob {
        QByteArray prefix;
        QByteArray suffix;
        QByteArray pattern; // empty when the pattern itself is not ASCII
    };
    std::vector<AsciiGlob> m_asciiGlobs;
};
