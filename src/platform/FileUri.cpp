#include "FileUri.h"

#include <QDir>
#include <QFile>

#include <cctype>

#include <sys/stat.h>

namespace {
bool keptAsIs(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}
} // namespace

QByteArray fileUri(const QByteArray& path)
{
    QByteArray absolute = path;
    if (!absolute.startsWith('/'))
        absolute = QFile::encodeName(QDir::currentPath()) + '/' + path;
    static const char hex[] = "0123456789ABCDEF";
    QByteArray uri("file://");
    uri.reserve(uri.size() + absolute.size() * 3);
    for (const char c : absolute) {
        if (keptAsIs(c)) {
            uri.append(c);
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        uri.append('%').append(hex[byte >> 4]).append(hex[byte & 0xF]);
    }
    return uri;
}

std::optional<QByteArray> pathFromFileUri(const QByteArray& uri)
{
    if (!uri.startsWith("file://"))
        return std::nullopt;
    QByteArray rest = uri.mid(7);
    if (rest.startsWith("localhost/"))
        rest = rest.mid(9);
    if (!rest.startsWith('/'))
        return std::nullopt;
    return QByteArray::fromPercentEncoding(rest);
}

bool isAddress(const QByteArray& target)
{
    // A scheme is a letter followed by letters, digits, '+', '-' or '.', then ':'.
    if (target.isEmpty() || !std::isalpha(static_cast<unsigned char>(target.front())))
        return false;
    for (qsizetype i = 1; i < target.size(); ++i) {
        const auto c = static_cast<unsigned char>(target[i]);
        if (c == ':')
            return i > 1; // a single letter before ':' is no scheme we launch
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

QByteArray parentFolder(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash <= 0)
        return slash == 0 ? QByteArray("/") : QByteArray(".");
    return path.left(slash);
}

bool entryExists(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}
