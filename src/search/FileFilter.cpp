#include "FileFilter.h"

#include "AsciiText.h"
#include "MatchQuery.h"

#include <QFile>

namespace {

std::vector<char32_t> foldedCodePoints(const QString& text)
{
    std::vector<char32_t> result;
    const QList<uint> ucs4 = withoutCase(text).toUcs4();
    result.reserve(size_t(ucs4.size()));
    for (const uint c : ucs4)
        result.push_back(char32_t(c));
    return result;
}

} // namespace

FileFilter FileFilter::fromChoice(int index, const QString& customPattern)
{
    FileFilter filter;
    switch (index) {
    case AllFiles:
        filter.m_kind = Kind::Everything;
        filter.m_pattern = QStringLiteral("*.*");
        break;
    case Shortcuts:
        filter = fromPattern(QStringLiteral("*.desktop"));
        break;
    case InternetShortcuts:
        filter = fromPattern(QStringLiteral("*.url"));
        break;
    case Applications:
        filter.m_kind = Kind::Executable;
        break;
    case Custom:
        filter = fromPattern(customPattern);
        break;
    default:
        break;
    }
    return filter;
}

FileFilter FileFilter::fromPattern(const QString& pattern)
{
    FileFilter filter;
    filter.m_pattern = pattern;
    if (pattern.isEmpty())
        return filter;
    // "*" alone, "*.*" and runs of stars fit every name.
    bool onlyStars = true;
    for (const QChar c : pattern)
        onlyStars = onlyStars && c == u'*';
    if (onlyStars || pattern == u"*.*") {
        filter.m_kind = Kind::Everything;
        return filter;
    }
    const QByteArray utf8 = pattern.toUtf8();
    // "*.ext" with a plain ASCII extension: a suffix test on the bytes.
    if (utf8.startsWith("*.") && AsciiText::isAscii(utf8)) {
        const QByteArray rest = utf8.mid(1);
        if (!rest.contains('*') && !rest.contains('?') && rest != ".") {
            filter.m_kind = Kind::Suffix;
            filter.m_suffix = rest.toLower();
            return filter;
        }
    }
    filter.m_kind = Kind::Glob;
    filter.m_asciiPattern = AsciiText::isAscii(utf8);
    if (filter.m_asciiPattern)
        filter.m_asciiGlob = utf8.toLower();
    filter.m_glob = foldedCodePoints(pattern);
    return filter;
}

bool FileFilter::accepts(QByteArrayView name) const
{
    switch (m_kind) {
    case Kind::Nothing:
        return false;
    case Kind::Everything:
    case Kind::Executable:
        return true;
    case Kind::Suffix: {
        if (name.size() < m_suffix.size())
            return false;
        const char* tail = name.data() + (name.size() - m_suffix.size());
        for (qsizetype i = 0; i < m_suffix.size(); ++i) {
            if (AsciiText::lower(tail[i]) != m_suffix[i])
                return false;
        }
        return true;
    }
    case Kind::Glob:
        return globAccepts(name);
    }
    return false;
}

bool FileFilter::globAccepts(QByteArrayView name) const
{
    // The system's rule: a pattern ending in ".*" also fits the name without that dot part,
    // as if the name had an empty extension.
    const auto fits = [this](auto pattern, size_t patternSize, auto text, size_t textSize) {
        if (wildcardMatch(pattern, patternSize, text, textSize))
            return true;
        if (patternSize >= 2 && pattern[patternSize - 1] == '*' && pattern[patternSize - 2] == '.')
            return wildcardMatch(pattern, patternSize - 2, text, textSize);
        return false;
    };
    if (m_asciiPattern && AsciiText::isAscii(name)) {
        char lowered[256];
        if (name.size() <= qsizetype(sizeof lowered)) {
            for (qsizetype i = 0; i < name.size(); ++i)
                lowered[i] = AsciiText::lower(name[i]);
            return fits(m_asciiGlob.constData(), size_t(m_asciiGlob.size()), lowered,
                        size_t(name.size()));
        }
    }
    // '?' stands for one character, not one byte: compare code points.
    const std::vector<char32_t> text = foldedCodePoints(QFile::decodeName(name.toByteArray()));
    return fits(m_glob.data(), m_glob.size(), text.data(), text.size());
}
