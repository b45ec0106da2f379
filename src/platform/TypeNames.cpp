#include "TypeNames.h"

#include <QFile>
#include <QMimeDatabase>
#include <QMutexLocker>
#include <QStandardPaths>

#include <algorithm>

namespace {

/// The last extension with its dot, as the program's path helper splits it: trailing dots
/// are dropped first, then everything from the last remaining dot on ("a.b." gives ".b").
QString lastExtension(const QString& name)
{
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1) == u'.')
        --end;
    const qsizetype dot = name.lastIndexOf(u'.', end - 1);
    return dot < 0 || end == 0 ? QString() : name.sliced(dot, end - dot);
}

bool hasWildcard(QStringView pattern)
{
    return pattern.contains(u'*') || pattern.contains(u'?') || pattern.contains(u'[');
}

/// Whether the character class starting at `pattern[at]` ('[') holds `c`; `end` is set past
/// its ']'. False with `end` = -1 when the class is not closed ('[' is then a plain letter).
/// `View` is QStringView, or QByteArrayView for ASCII.
template<typename View, typename Char>
bool classHolds(View pattern, qsizetype at, Char c, qsizetype& end)
{
    qsizetype i = at + 1;
    const bool negated = i < pattern.size() && (pattern[i] == u'!' || pattern[i] == u'^');
    if (negated)
        ++i;
    bool holds = false;
    bool first = true;
    for (; i < pattern.size(); ++i) {
        if (pattern[i] == u']' && !first) {
            end = i + 1;
            return holds != negated;
        }
        first = false;
        if (i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']') {
            holds = holds || (c >= pattern[i] && c <= pattern[i + 2]);
            i += 2;
        } else {
            holds = holds || c == pattern[i];
        }
    }
    end = -1;
    return false;
}

/// Shell-style matching of a whole name: '*', '?' and classes ("[0-9]", "[!a]"). Both are
/// lower-cased by the caller.
template<typename View> bool globMatches(View pattern, View name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starP = -1; // just after the last '*' seen
    qsizetype starN = 0;  // where that '*' began to match
    while (n < name.size()) {
        if (p < pattern.size()) {
            const auto c = pattern[p];
            if (c == u'*') {
                starP = ++p;
                starN = n;
                continue;
            }
            qsizetype next = p + 1;
            bool fits = false;
            if (c == u'?') {
                fits = true;
            } else if (c == u'[') {
                qsizetype end = -1;
                fits = classHolds(pattern, p, name[n], end);
                if (end < 0)
                    fits = name[n] == u'[';
                else
                    next = end;
            } else {
                fits = c == name[n];
            }
            if (fits) {
                p = next;
                ++n;
                continue;
            }
        }
        if (starP < 0)
            return false;
        p = starP; // let the last '*' take one more character
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

/// Whether `name` starts with `prefix` and ends with `suffix` (which may be empty).
template<typename View> bool fitsEnds(View name, View prefix, View suffix)
{
    if (name.size() < prefix.size() + suffix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (name[i] != prefix[i])
            return false;
    }
    const qsizetype tail = name.size() - suffix.size();
    for (qsizetype i = 0; i < suffix.size(); ++i) {
        if (name[tail + i] != suffix[i])
            return false;
    }
    return true;
}

} // namespace

TypeNames::TypeNames()
{
    // Most globs are "*.ext" and the last extension decides; the rest are collected here
    // so that names they fit are never answered from another name's cache entry. The glob
    // lists the MIME database is built from are read directly when they are all there:
    // asking the database for every type's globs parses its whole XML (a quarter second).
    QStringList otherGlobs;
    if (!readGlobFiles(otherGlobs)) {
        const QMimeDatabase db;
        const QList<QMimeType> types = db.allMimeTypes();
        for (const QMimeType& type : types) {
            const QStringList globs = type.globPatterns();
            for (const QString& glob : globs)
                addGlob(glob, otherGlobs);
        }
    }
    otherGlobs.removeDuplicates();
    for (const QString& pattern : std::as_const(otherGlobs)) {
        const auto isWild = [](QChar c) {
            return c == u'*' || c == u'?' || c == u'[';
        };
        qsizetype first = 0;
        while (first < pattern.size() && !isWild(pattern[first]))
            ++first;
        qsizetype last = pattern.size();
        while (last > first && !isWild(pattern[last - 1]) && pattern[last - 1] != u']')
            --last;
        m_otherGlobs.append({pattern, pattern.first(first), pattern.sliced(last)});
    }
    const auto ascii = [](QStringView text) {
        return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    };
    for (const QString& name : std::as_const(m_literalNames)) {
        if (ascii(name))
            m_asciiLiterals.insert(name.toLatin1());
    }
    for (const QString& suffix : std::as_const(m_multiDotSuffixes)) {
        if (ascii(suffix))
            m_asciiMultiDot.insert(suffix.toLatin1());
    }
    for (const Glob& glob : std::as_const(m_otherGlobs)) {
        // A pattern that is not ASCII may still fit an ASCII name ("[!é]*"): only its ends
        // are kept, and a name that fits them takes the general way.
        if (ascii(glob.prefix) && ascii(glob.suffix))
            m_asciiGlobs.push_back({glob.prefix.toLatin1(), glob.suffix.toLatin1(),
                                    ascii(glob.pattern) ? glob.pattern.toLatin1() : QByteArray()});
    }
}

bool TypeNames::readGlobFiles(QStringList& otherGlobs)
{
    // A folder with MIME packages but no compiled "globs2" is read by the database from its
    // XML: then only the database itself knows every glob.
    const QStringList packages =
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                  QStringLiteral("mime/packages"), QStandardPaths::LocateDirectory);
    const QStringList globFiles = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                            QStringLiteral("mime/globs2"));
    if (globFiles.isEmpty())
        return false;
    for (const QString& folder : packages) {
        if (!QFile::exists(folder + u"/../globs2"))
            return false;
    }
    for (const QString& path : globFiles) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        // Lines are "weight:type:glob" with optional ":flags"; '#' starts a comment.
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const QList<QByteArray> fields = line.split(':');
            if (fields.size() >= 3 && !fields.at(2).isEmpty())
                addGlob(QString::fromUtf8(fields.at(2)), otherGlobs);
        }
    }
    return true;
}

void TypeNames::addGlob(const QString& glob, QStringList& otherGlobs)
{
    if (glob.startsWith(u"*.")) {
        const QStringView rest = QStringView(glob).sliced(1);
        if (hasWildcard(rest))
            otherGlobs.append(glob.toLower());
        else if (rest.count(u'.') > 1)
            m_multiDotSuffixes.insert(rest.toString().toLower());
    } else if (hasWildcard(glob)) {
        otherGlobs.append(glob.toLower());
    } else {
        m_literalNames.insert(glob.toLower());
    }
}

TypeNames& TypeNames::instance()
{
    static TypeNames names;
    return names;
}

QString TypeNames::folderTypeName()
{
    static const QString name = QStringLiteral("File Folder");
    return name;
}

QString TypeNames::extensionFallback(const QString& name)
{
    // Without an extension there is nothing to name the type by: "File", as Explorer shows
    // such a file, not " File" with a stray leading blank.
    const QString extension = lastExtension(name);
    if (extension.isEmpty())
        return QStringLiteral("File");
    return extension.sliced(1).toUpper() + u" File";
}

QString TypeNames::cacheKey(const QString& name) const
{
    const QString lower = name.toLower();
    if (m_literalNames.contains(lower))
        return u'/' + name; // '/' never occurs in a name: whole-name keys cannot clash
    for (const Glob& glob : m_otherGlobs) {
        if (fitsEnds<QStringView>(lower, glob.prefix, glob.suffix) &&
            globMatches<QStringView>(glob.pattern, lower))
            return u'/' + name;
    }
    // The longest suffix over several dots that some type claims, else the last extension.
    for (qsizetype dot = lower.indexOf(u'.', 1); dot >= 0; dot = lower.indexOf(u'.', dot + 1)) {
        const QStringView suffix = QStringView(lower).sliced(dot);
        if (suffix.count(u'.') > 1 && m_multiDotSuffixes.contains(suffix.toString()))
            return name.sliced(dot);
    }
    // The last extension with any dots after it: "report.txt." is no text file to the type
    // database, so it must not take the key (and the type) of ".txt".
    qsizetype end = name.size();
    while (end > 0 && name.at(end - 1) == u'.')
        --end;
    const qsizetype dot = end == 0 ? -1 : name.lastIndexOf(u'.', end - 1);
    return dot < 0 ? QString() : name.sliced(dot);
}

std::optional<QByteArrayView> TypeNames::plainExtension(QByteArrayView name) const
{
    // The same rules as cacheKey, on bytes.
    char lower[256];
    if (name.size() > qsizetype(sizeof lower))
        return std::nullopt;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == 0 || static_cast<unsigned char>(c) >= 0x80)
            return std::nullopt;
        lower[i] = c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
    }
    const QByteArrayView low(lower, name.size());
    if (m_asciiLiterals.contains(QByteArray::fromRawData(lower, low.size())))
        return std::nullopt;
    for (const AsciiGlob& glob : m_asciiGlobs) {
        if (fitsEnds<QByteArrayView>(low, glob.prefix, glob.suffix) &&
            (glob.pattern.isEmpty() || globMatches<QByteArrayView>(glob.pattern, low)))
            return std::nullopt;
    }
    for (qsizetype dot = low.indexOf('.', 1); dot >= 0; dot = low.indexOf('.', dot + 1)) {
        const QByteArrayView suffix = low.sliced(dot);
        if (suffix.count('.') > 1 &&
            m_asciiMultiDot.contains(QByteArray::fromRawData(suffix.data(), suffix.size())))
            return std::nullopt;
    }
    // As cacheKey: the last dot before any trailing ones, and all after it.
    qsizetype end = name.size();
    while (end > 0 && name[end - 1] == '.')
        --end;
    const qsizetype dot = end == 0 ? -1 : name.first(end).lastIndexOf('.');
    return dot < 0 ? QByteArrayView() : name.sliced(dot);
}

QString TypeNames::lookUp(const QString& name) const
{
    static const QMimeDatabase db;
    const QList<QMimeType> types = db.mimeTypesForFileName(name);
    if (!types.isEmpty() && !types.first().isDefault()) {
        const QString comment = types.first().comment();
        if (!comment.isEmpty())
            return comment;
    }
    return extensionFallback(name);
}

QString TypeNames::decoded(QByteArrayView name)
{
    // Plain ASCII names, the usual case, skip the general decoder.
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return c > 0; });
    return ascii ? QString::fromLatin1(name) : QFile::decodeName(name.toByteArray());
}

QString TypeNames::typeName(QByteArrayView name, bool folder)
{
    if (folder)
        return folderTypeName();
    const QString text = decoded(name);
    return shared(cacheKey(text), text);
}

QString TypeNames::Local::typeName(QByteArrayView name, bool folder)
{
    if (folder)
        return folderTypeName();
    // The key's rules are fixed once the names are built, so working it out needs no lock.
    if (const std::optional<QByteArrayView> extension = m_names.plainExtension(name)) {
        // Most names: found by their extension's bytes, with no string made.
        const auto it =
            m_byExtension.constFind(QByteArray::fromRawData(extension->data(), extension->size()));
        if (it != m_byExtension.constEnd())
            return it.value();
        const QString text = decoded(name);
        return *m_byExtension.insert(extension->toByteArray(),
                                     m_names.shared(m_names.cacheKey(text), text));
    }
    const QString text = decoded(name);
    const QString key = m_names.cacheKey(text);
    const auto it = m_cache.constFind(key);
    if (it != m_cache.constEnd())
        return it.value();
    return *m_cache.insert(key, m_names.shared(key, text));
}

QString TypeNames::shared(const QString& key, const QString& text)
{
    {
        const QMutexLocker lock(&m_mutex);
        const auto it = m_cache.constFind(key);
        if (it != m_cache.constEnd())
            return it.value();
    }
    const QString result = lookUp(text);
    const QMutexLocker lock(&m_mutex);
    // Another thread may have looked the same key up meanwhile: keep its string, so that
    // equal type names stay one shared string.
    const auto it = m_cache.constFind(key);
    return it != m_cache.constEnd() ? it.value() : *m_cache.insert(key, result);
}
