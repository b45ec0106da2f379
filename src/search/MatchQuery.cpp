#include "MatchQuery.h"

#include "AsciiText.h"

#include <QFile>
#include <QMutexLocker>

#include <algorithm>
#include <cstring>

namespace {

bool contains(QByteArrayView haystack, QByteArrayView needle)
{
    if (needle.isEmpty())
        return true;
    return memmem(haystack.data(), size_t(haystack.size()), needle.data(), size_t(needle.size())) !=
           nullptr;
}

/// Whether `haystack` with its ASCII letters lower-cased contains `needle` (lower-case).
bool containsFoldedAscii(QByteArrayView haystack, QByteArrayView needle)
{
    if (needle.isEmpty())
        return true;
    // Lowered a chunk at a time; chunks overlap by the needle's length less one.
    constexpr qsizetype Chunk = 4096;
    char lowered[Chunk];
    const qsizetype overlap = needle.size() - 1;
    if (overlap >= Chunk / 2)
        return true; // too long to scan this way: every name gets its own test
    for (qsizetype start = 0; start + overlap < haystack.size(); start += Chunk - overlap) {
        const qsizetype length = std::min(Chunk, haystack.size() - start);
        const char* from = haystack.data() + start;
        for (qsizetype i = 0; i < length; ++i) {
            const char c = from[i];
            lowered[i] = (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
        }
        if (contains(QByteArrayView(lowered, length), needle))
            return true;
    }
    return false;
}

} // namespace

QString withoutCase(QString text)
{
    // Folding takes case out of every letter but one: the dotted capital I, which has no
    // one-character fold (Qt lowers it to 'i' and a combining dot). As 'i', "istanbul" finds
    // "İstanbul".
    text.replace(QChar(0x130), QLatin1Char('i'));
    return text.toCaseFolded();
}

MatchQuery::MatchQuery(const QString& text, bool matchCase)
    : m_text(text)
    , m_lowerText(withoutCase(text))
    , m_utf8(text.toUtf8())
    , m_matchCase(matchCase)
{
    const QByteArray lowerUtf8 = m_lowerText.toUtf8();
    m_asciiText = AsciiText::isAscii(lowerUtf8);
    if (m_asciiText)
        m_asciiLower = lowerUtf8;
}

MatchQuery MatchQuery::fromBytes(const QByteArray& bytes, bool matchCase)
{
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes)
        return MatchQuery(text, matchCase);
    // Decoding would turn the invalid bytes into U+FFFD, which stands for any invalid byte.
    MatchQuery query(QString(), matchCase);
    query.m_bytesOnly = true;
    query.m_utf8 = bytes;
    query.m_asciiLower = bytes;
    for (char& c : query.m_asciiLower)
        c = AsciiText::lower(c);
    return query;
}

bool MatchQuery::byteMatch(QByteArrayView name) const
{
    if (m_matchCase)
        return contains(name, m_utf8);
    QByteArray lowered(name.data(), name.size());
    for (char& c : lowered)
        c = AsciiText::lower(c);
    return contains(lowered, m_asciiLower);
}

bool MatchQuery::matchesName(QByteArrayView name) const
{
    if (name.isEmpty())
        return false;
    if (m_bytesOnly)
        return byteMatch(name);
    if (m_matchCase) {
        // UTF-8 is self-synchronising: a byte match of the text is a match of its characters.
        return contains(name, m_utf8);
    }
    if (name.size() > 255)
        return slowMatch(name);
    char lowered[256];
    unsigned char high = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        high |= c;
        lowered[i] = char((c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c);
    }
    const bool asciiName = high < 0x80;
    if (m_asciiText) {
        if (contains(QByteArrayView(lowered, name.size()), m_asciiLower))
            return true; // folding the other characters cannot undo this match
        if (asciiName)
            return false;
        // A non-ASCII letter may fold to ASCII (KELVIN SIGN to 'k').
        return slowMatch(name);
    }
    // The folded text has a non-ASCII character, which a folded ASCII name lacks.
    if (asciiName)
        return false;
    return slowMatch(name);
}

bool MatchQuery::mayMatchAmong(QByteArrayView names, bool asciiNames) const
{
    // A name holding the text holds it in any run of names that includes it, the same
    // bytes folded the same way; runs across two names may only add false alarms.
    if (names.isEmpty())
        return false;
    if (m_matchCase)
        return contains(names, m_utf8); // m_utf8 holds the bytes of a bytes-only text too
    if (m_bytesOnly)
        return containsFoldedAscii(names, m_asciiLower);
    if (!asciiNames)
        return true; // folding other characters needs each name decoded
    if (!m_asciiText)
        return false; // the folded text has a non-ASCII character no ASCII name has
    return containsFoldedAscii(names, m_asciiLower);
}

bool MatchQuery::slowMatch(QByteArrayView name) const
{
    const QString decoded = QFile::decodeName(name.toByteArray());
    if (m_matchCase)
        return decoded.contains(m_text);
    return withoutCase(decoded).contains(m_lowerText);
}

bool MatchQuery::matchesText(const QString& text) const
{
    if (text.isEmpty() || m_bytesOnly)
        return false;
    if (m_matchCase)
        return text.contains(m_text);
    return withoutCase(text).contains(m_lowerText);
}

LiveQuery::LiveQuery()
    : m_query(std::make_shared<const MatchQuery>(QString(), false))
{}

void LiveQuery::setSearchText(const QString& text)
{
    const QMutexLocker lock(&m_mutex);
    if (text == m_text && !m_bytes)
        return;
    m_text = text;
    m_bytes.reset();
    publish();
}

void LiveQuery::setSearchBytes(const QByteArray& bytes)
{
    const QMutexLocker lock(&m_mutex);
    m_bytes = bytes;
    m_text = QString::fromUtf8(bytes);
    publish();
}

void LiveQuery::setMatchCase(bool matchCase)
{
    const QMutexLocker lock(&m_mutex);
    if (matchCase == m_matchCase)
        return;
    m_matchCase = matchCase;
    publish();
}

void LiveQuery::publish()
{
    m_query = m_bytes
                  ? std::make_shared<const MatchQuery>(MatchQuery::fromBytes(*m_bytes, m_matchCase))
                  : std::make_shared<const MatchQuery>(m_text, m_matchCase);
    m_version.fetch_add(1, std::memory_order_release);
}

void LiveQuery::Reader::refresh()
{
    m_live.m_mutex.lock();
    m_query = m_live.m_query;
    m_version = m_live.m_version.load(std::memory_order_relaxed); // the mutex orders it
    m_live.m_mutex.unlock();
}
