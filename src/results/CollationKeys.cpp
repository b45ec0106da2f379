#include "CollationKeys.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <thread>

namespace {

// The collator the list sorts with: case differences ignored (secondary strength), digits
// compared as numbers, canonical equivalents equal.
UCollator* openCollator(const std::string& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(locale.c_str(), &status);
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

// Case-folded UTF-8 of `text` and a NUL, appended to `arena`; NULs inside become 0x01.
void appendFolded(std::u16string_view text, std::vector<char>& arena)
{
    const auto length = int32_t(std::min<size_t>(text.size(), INT32_MAX / 4));
    std::vector<UChar> folded(size_t(length) * 3 + 1);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t foldedLength = u_strFoldCase(folded.data(), int32_t(folded.size()), text.data(),
                                               length, U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) {
        arena.push_back('\0');
        return;
    }
    std::vector<char> utf8(size_t(foldedLength) * 3 + 1);
    int32_t utf8Length = 0;
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(utf8.data(), int32_t(utf8.size()), &utf8Length, folded.data(), foldedLength,
                       0xFFFD, nullptr, &status);
    if (U_SUCCESS(status)) {
        for (int32_t i = 0; i < utf8Length; ++i)
            arena.push_back(utf8[size_t(i)] ? utf8[size_t(i)] : '\1');
    }
    arena.push_back('\0');
}

} // namespace

CollationKeys::CollationKeys(const std::string& locale)
    : m_collator(openCollator(locale))
{}

CollationKeys::~CollationKeys()
{
    if (m_collator)
        ucol_close(m_collator);
}

void CollationKeys::append(const UCollator* collator, std::u16string_view text,
                           std::string_view tie, std::vector<char>& arena)
{
    appendKey(collator, text, arena);
    if (tie.empty())
        return;
    // 0x01 is below every byte a key goes on with (ICU's level separator; weights are higher),
    // so a key that ends where a longer one goes on still sorts first.
    arena.back() = '\1';
    arena.insert(arena.end(), tie.begin(), tie.end());
    arena.push_back('\0');
}

void CollationKeys::appendKey(const UCollator* collator, std::u16string_view text,
                              std::vector<char>& arena)
{
    const size_t start = arena.size();
    if (!collator) {
        // No collation data at all: case-folded UTF-8 still gives a stable order.
        appendFolded(text, arena);
        return;
    }
    const auto* source = reinterpret_cast<const UChar*>(text.data());
    const auto length = int32_t(std::min<size_t>(text.size(), INT32_MAX));
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

uint32_t CollationKeys::add(std::u16string_view text, std::string_view tie)
{
    const auto offset = uint32_t(m_arena.size());
    append(m_collator, text, tie, m_arena);
    return offset;
}

uint32_t CollationKeys::addKey(const char* key)
{
    const auto offset = uint32_t(m_arena.size());
    m_arena.insert(m_arena.end(), key, key + std::strlen(key) + 1);
    return offset;
}

void CollationKeys::write(std::u16string_view text, std::vector<char>& out,
                          std::string_view tie) const
{
    append(m_collator, text, tie, out);
}

uint64_t CollationKeys::prefix(uint32_t offset, int from) const
{
    const char* key = m_arena.data() + offset;
    const size_t length = strnlen(key, size_t(from) + 8);
    if (length <= size_t(from))
        return 0;
    unsigned char bytes[8] = {};
    std::memcpy(bytes, key + from, length - size_t(from));
    uint64_t value = 0;
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

void CollationKeys::appendChunk(const std::vector<char>& chunk,
                                const std::vector<uint32_t>& offsets, std::vector<uint32_t>& out)
{
    const auto base = uint32_t(m_arena.size());
    m_arena.insert(m_arena.end(), chunk.begin(), chunk.end());
    for (const uint32_t offset : offsets)
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
