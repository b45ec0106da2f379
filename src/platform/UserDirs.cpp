#include "UserDirs.h"

namespace {

QByteArrayView skipBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    return text;
}

/// The value of one line that sets `key`, or nothing.
std::optional<QByteArray> valueOf(QByteArrayView line, QByteArrayView key, const QByteArray& home)
{
    line = skipBlanks(line);
    if (!line.startsWith(key))
        return std::nullopt;
    line = skipBlanks(line.sliced(key.size()));
    if (!line.startsWith('='))
        return std::nullopt;
    line = skipBlanks(line.sliced(1));
    if (!line.startsWith('"'))
        return std::nullopt;
    line = line.sliced(1);
    QByteArray path;
    if (line.startsWith("$HOME")) {
        line = line.sliced(5);
        if (!line.startsWith('/') && !line.startsWith('"'))
            return std::nullopt; // "$HOMEx" would name another user's folder
        path = home;
    } else if (!line.startsWith('/')) {
        return std::nullopt;
    }
    bool closed = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            closed = true;
            break;
        }
        if (line[i] == '\\' && i + 1 < line.size())
            ++i;
        path += line[i];
    }
    if (!closed || path.isEmpty())
        return std::nullopt;
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

} // namespace

std::optional<QByteArray> userDirFromText(QByteArrayView text, QByteArrayView key,
                                          const QByteArray& home)
{
    std::optional<QByteArray> found;
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        const QByteArrayView line = end < 0 ? text : text.first(end);
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        if (std::optional<QByteArray> value = valueOf(line, key, home))
            found = std::move(value);
    }
    return found;
}
