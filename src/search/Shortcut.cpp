#include "Shortcut.h"

#include "platform/SmallFile.h"

#include <QFile>
#include <QStringDecoder>

#include <fcntl.h>

namespace Shortcut {

namespace {

/// Runs `line` for every line of `text` (without its line break).
template<typename Fn> void forEachLine(QByteArrayView text, Fn&& line)
{
    // Editors on other systems often begin a UTF-8 file with a byte-order mark.
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    while (!text.isEmpty()) {
        qsizetype end = text.indexOf('\n');
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        QByteArrayView current = text.first(end);
        if (current.endsWith('\r'))
            current.chop(1);
        if (!line(current))
            return;
        text = text.sliced(next);
    }
}

/// Text in UTF-8 or, when it is not valid UTF-8, in the Windows code page that Internet
/// shortcuts made on that system are written in.
QString decodeValue(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // Windows-1252: Latin-1 but for 0x80 … 0x9F (0 where that code page has no character).
    static constexpr char16_t k80[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    text.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const char16_t mapped = byte >= 0x80 && byte < 0xA0 ? k80[byte - 0x80] : byte;
        text[i] = QChar(mapped ? mapped : char16_t(0xFFFD));
    }
    return text;
}

QString cutValue(QByteArrayView bytes, qsizetype maxChars)
{
    // The profile reader's value ends at a NUL, as a C string does: what the list shows, what
    // a search matches and what a launch opens is the same address.
    if (const qsizetype nul = bytes.indexOf('\0'); nul >= 0)
        bytes.truncate(nul);
    QString value = decodeValue(bytes);
    if (value.size() > maxChars) {
        qsizetype cut = maxChars;
        if (value.at(cut - 1).isHighSurrogate())
            --cut; // never leave half a character
        value.truncate(cut);
    }
    return value;
}

} // namespace

QString iniValue(QByteArrayView ini, const QString& section, const QString& key,
                 const QString& defaultValue, qsizetype maxChars)
{
    const QByteArray wantedSection = section.toUtf8().trimmed().toLower();
    const QByteArray wantedKey = key.toUtf8().trimmed().toLower();
    bool inSection = false;
    std::optional<QByteArray> found;
    forEachLine(ini, [&](QByteArrayView line) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            const QByteArrayView name = line.sliced(1, (close < 0 ? line.size() : close) - 1);
            inSection = name.trimmed().toByteArray().toLower() == wantedSection;
            return true;
        }
        if (!inSection || line.startsWith(';'))
            return true;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            return true;
        if (line.first(eq).trimmed().toByteArray().toLower() != wantedKey)
            return true;
        QByteArrayView value = line.sliced(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        found = value.toByteArray();
        return false; // the first occurrence wins
    });
    if (!found)
        return defaultValue;
    return cutValue(*found, maxChars);
}

QString ProfileGetItem(const QString& lpSectionName, const QString& lpKeyName,
                       const QString& defaultValue, const QString& inifile)
{
    const QByteArray path = QFile::encodeName(inifile);
    const std::optional<QByteArray> data =
        readSmallFile(AT_FDCWD, path.constData(), MaxShortcutBytes);
    if (!data)
        return defaultValue;
    return iniValue(*data, lpSectionName, lpKeyName, defaultValue);
}

std::optional<QString> desktopLinkUrl(QByteArrayView desktopFile, qsizetype maxChars)
{
    bool inEntry = false;
    bool isLink = false;
    std::optional<QByteArray> url;
    forEachLine(desktopFile, [&](QByteArrayView line) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            return true;
        }
        if (!inEntry || line.startsWith('#'))
            return true;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            return true;
        const QByteArrayView name = line.first(eq).trimmed();
        const QByteArrayView value = line.sliced(eq + 1).trimmed();
        if (name == "Type")
            isLink = value == "Link";
        else if (name == "URL" && !url)
            url = value.toByteArray();
        return true;
    });
    if (!isLink)
        return std::nullopt;
    if (!url)
        return QString();
    // Desktop-entry string escapes.
    QByteArray unescaped;
    unescaped.reserve(url->size());
    for (qsizetype i = 0; i < url->size(); ++i) {
        const char c = url->at(i);
        if (c != '\\' || i + 1 == url->size()) {
            unescaped.append(c);
            continue;
        }
        const char next = url->at(++i);
        switch (next) {
        case 's':
            unescaped.append(' ');
            break;
        case 'n':
            unescaped.append('\n');
            break;
        case 't':
            unescaped.append('\t');
            break;
        case 'r':
            unescaped.append('\r');
            break;
        case '\\':
            unescaped.append('\\');
            break;
        default:
            unescaped.append('\\').append(next);
            break;
        }
    }
    return cutValue(unescaped, maxChars);
}

} // namespace Shortcut
