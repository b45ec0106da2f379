#include "PathHelpers.h"

#include <QFile>

#include <cstdlib>

QString GetFilename(const QString& TempPath, PathPart ReturnType)
{
    // Paths here have no drive: a name such as "a:b.txt" is a name.
    QString work = TempPath;
    QString folder;
    QString name;
    QString extension;
    bool nameFound = false;
    for (qsizetype i = work.size() - 1; i >= 0; --i) {
        const QChar c = work.at(i);
        if (c == u'.') {
            if (!extension.isEmpty())
                continue; // only the last extension is split off
            if (i + 1 < work.size()) {
                extension = work.mid(i);
                if (ReturnType == PathPart::Extension)
                    return extension;
            }
            work.truncate(i);
        } else if (c == u'/' && i + 1 < work.size()) {
            name = work.mid(i + 1);
            folder = work.left(i + 1);
            nameFound = true;
            break;
        }
    }
    if (!nameFound)
        name = work;
    switch (ReturnType) {
    case PathPart::Drive:
        return {};
    case PathPart::Folder:
        return folder;
    case PathPart::Name:
        return name;
    case PathPart::Extension:
        return extension;
    }
    return {};
}

QString trimnull(const QString& startstr)
{
    const qsizetype nul = startstr.indexOf(QChar(0));
    return nul < 0 ? startstr : startstr.left(nul);
}

QString AddTrailingBackslash(const QString& path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

QByteArray AddTrailingBackslash(const QByteArray& path)
{
    return path.endsWith('/') ? path : path + '/';
}

std::optional<QByteArray> resolvedPath(const QByteArray& path)
{
    char* real = ::realpath(path.constData(), nullptr);
    if (!real)
        return std::nullopt;
    QByteArray result(real);
    std::free(real);
    return result;
}

QString displayText(QByteArrayView bytes)
{
    // Decoded in place: sorting a million names calls this once a row.
    return QFile::decodeName(QByteArray::fromRawData(bytes.data(), bytes.size()));
}
