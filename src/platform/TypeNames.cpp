#include "TypeNames.h"

#include <QFile>
#include <QMimeDatabase>
#include <QMutexLocker>
#include <QRegularExpression>

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

} // namespace

TypeNames::TypeNames()
{
    // Most globs are "*.ext" and the last extension decides; the rest are collected here
    // so that names they fit are never answered from another name's cache entry.
    const QMimeDatabase db;
    const QList<QMimeType> types = db.allMimeTypes();
    QStringList otherGlobs;
    for (const QMimeType& type : types) {
        const QStringList globs = type.globPatterns();
        for (const QString& glob : globs) {
            if (glob.startsWith(u"*.")) {
                const QStringView rest = QStringView(glob).sliced(1);
                if (hasWildcard(rest))
                    otherGlobs.append(glob);
                else if (rest.count(u'.') > 1)
                    m_multiDotSuffixes.insert(rest.toString().toLower());
            } else if (hasWildcard(glob)) {
                otherGlobs.append(glob);
            } else {
                m_literalNames.insert(glob.toLower());
            }
        }
    }
    otherGlobs.removeDuplicates();
    for (const QString& glob : otherGlobs) {
        m_otherGlobs.append(
            QRegularExpression(QRegularExpression::wildcardToRegularExpression(glob),
                               QRegularExpression::CaseInsensitiveOption));
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
    QString text = lastExtension(name).toUpper() + u" File";
    if (text.startsWith(u'.'))
        text.remove(0, 1);
    return text;
}

QString TypeNames::cacheKey(const QString& name) const
{
    const QString lower = name.toLower();
    if (m_literalNames.contains(lower))
        return u'/' + name; // '/' never occurs in a name: whole-name keys cannot clash
    for (const QRegularExpression& glob : m_otherGlobs) {
        if (glob.match(name).hasMatch())
            return u'/' + name;
    }
    // The longest suffix over several dots that some type claims, else the last extension.
    for (qsizetype dot = lower.indexOf(u'.', 1); dot >= 0; dot = lower.indexOf(u'.', dot + 1)) {
        const QStringView suffix = QStringView(lower).sliced(dot);
        if (suffix.count(u'.') > 1 && m_multiDotSuffixes.contains(suffix.toString()))
            return name.sliced(dot);
    }
    return lastExtension(name);
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

QString TypeNames::typeName(QByteArrayView name, bool folder)
{
    if (folder)
        return folderTypeName();
    const QString text = QFile::decodeName(name.toByteArray());
    const QString key = cacheKey(text);
    {
        const QMutexLocker lock(&m_mutex);
        const auto it = m_cache.constFind(key);
        if (it != m_cache.constEnd())
            return it.value();
    }
    const QString result = lookUp(text);
    const QMutexLocker lock(&m_mutex);
    return *m_cache.insert(key, result);
}
