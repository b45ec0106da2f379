#include "CollationKeys.h"

#include <QLocale>

#include <unicode/ucol.h>

#include <cstring>
#include <thread>

namespace {

// The collator the list sorts with: case differences ignored (secondary strength), digits
// compared as numbers, canonical equivalents equal.
UCollator* openCollator()
{
    const QLocale locale;
    const QByteArray name =
        locale.language() == QLocale::C ? QByteArray() : locale.name().toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(name.constData(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        collator = ucol_open("", &status); // the root order serves every locale
        if (U_FAILURE(status))
            return nullptr;
    }
    status = U_ZERO_ERROR;
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    return collator;
}

} // namespace

CollationKeys::CollationKeys()
    : m_collator(openCollator())
{}

CollationKeys::~CollationKeys()
{
    if (m_collator)
        ucol_close(m_collator);
}

void CollationKeys::append(const UCollator* collator, QStringView text, std::vector<char>& arena)
{
    const size_t start = arena.size();
    if (!collator) {
        // No collation data at all: case-folded text still gives a stable order.
        const QByteArray folded = text.toString().toCaseFolded().toUtf8();
        arena.insert(arena.end(), folded.begin(), folded.end());
        arena.push_back('\0');
        return;
    }
    const auto* source = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = int32_t(qMin<qsizetype>(text.size(), INT32_MAX));
    size_t room = size_t(length) * 2 + 16;
    for (;;) {
        arena.resize(start + room);
        const int32_t need =
            ucol_getSortKey(collator, source, length,
                            reinterpret_cast<uint8_t*>(arena.data() + start), int32_t(room));
        if (need <= 0) { // cannot happen with valid input; an empty key keeps the order sane
            arena.resize(start);
            arena.push_back('\0');
            return;
        }
        if (size_t(need) <= room) {
            arena.resize(start + size_t(need)); // the key ends with its own NUL
            return;
        }
        room = size_t(need);
    }
}

quint32 CollationKeys::add(QStringView text)
{
    const auto offset = quint32(m_arena.size());
    append(m_collator, text, m_arena);
    return offset;
}

quint64 CollationKeys::prefix(quint32 offset, int from) const
{
    const char* key = m_arena.data() + offset;
    const size_t length = strnlen(key, size_t(from) + 8);
    if (length <= size_t(from))
        return 0;
    unsigned char bytes[8] = {};
    std::memcpy(bytes, key + from, length - size_t(from));
    quint64 value = 0;
    for (const unsigned char byte : bytes)
        value = (value << 8) | byte;
    return value;
}

void CollationKeys::clear()
{
    std::vector<char>().swap(m_arena);
}

UCollator* CollationKeys::copy() const
{
    if (!m_collator)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_clone(m_collator, &status);
    return U_FAILURE(status) ? nullptr : collator;
}

void CollationKeys::closeCopy(UCollator* collator)
{
    if (collator)
        ucol_close(collator);
}

void CollationKeys::appendChunk(const std::vector<char>& chunk, const std::vector<quint32>& offsets,
                                std::vector<quint32>& out)
{
    const auto base = quint32(m_arena.size());
    m_arena.insert(m_arena.end(), chunk.begin(), chunk.end());
    for (const quint32 offset : offsets)
        out.push_back(base + offset);
}

void CollationKeys::runParallel(int threads, const std::function<void(int)>& work)
{
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t)
        helpers.emplace_back(work, t);
    work(0);
    for (auto& helper : helpers)
        helper.join();
}
