#include "FileUri.h"

#include <QDir>
#include <QFile>

#include <cctype>
#include <cerrno>

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

namespace {
/// The still-encoded path of a file: address for this machine: the scheme in any case, the
/// host empty, "localhost" or left out ("file:/path", as some desktops write it), and no
/// query or fragment, which name no part of a file's path (a '?' or '#' in a name is
/// encoded).
std::optional<QByteArrayView> localFileUriPart(QByteArrayView uri)
{
    if (uri.size() < 5 || qstrnicmp(uri.data(), 5, "file:", 5) != 0)
        return std::nullopt;
    QByteArrayView rest = uri.sliced(5);
    if (rest.startsWith("//")) {
        rest = rest.sliced(2);
        const qsizetype slash = rest.indexOf('/');
        if (slash < 0)
            return std::nullopt;
        const QByteArrayView host = rest.first(slash);
        if (!host.isEmpty() && qstrnicmp(host.data(), host.size(), "localhost", 9) != 0)
            return std::nullopt;
        rest = rest.sliced(slash);
    }
    if (!rest.startsWith('/'))
        return std::nullopt;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] == '?' || rest[i] == '#')
            return rest.first(i);
    }
    return rest;
}
} // namespace

std::optional<QByteArray> pathFromFileUri(const QByteArray& uri)
{
    const std::optional<QByteArrayView> part = localFileUriPart(uri);
    if (!part)
        return std::nullopt;
    QByteArray path = QByteArray::fromPercentEncoding(part->toByteArray());
    // An encoded NUL would end the path early at every system call: another file.
    if (path.contains('\0'))
        return std::nullopt;
    return path;
}

bool isLocalFileUri(const QByteArray& uri)
{
    return localFileUriPart(uri).has_value();
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
    if (::lstat(path.constData(), &st) == 0)
        return true;
    // Only these say that nothing is there. A folder that may be listed but not entered
    // (EACCES), a loop or a name too long say nothing of the item, which is then not gone.
    return errno != ENOENT && errno != ENOTDIR;
}
