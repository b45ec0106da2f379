#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct UCollator;

/// Sort keys of texts in the user's locale: letters without regard to case, numbers in the
/// text by value ("file2" before "file10"). A key is a NUL-terminated byte string; the order
/// of two keys (strcmp) is the order of their texts. A key may go on with tie bytes: texts that
/// sort equal then go by those bytes (a file name's own bytes, so that equal keys mean equal
/// names). Keys are written one after another into one byte arena and named by their offset,
/// so a million keys cost no allocation each.
class CollationKeys final {
public:
    /// Opens a collator for the ICU locale `locale` ("de_DE"); "" gives the root order.
    explicit CollationKeys(const std::string& locale = {});
    ~CollationKeys();
    CollationKeys(const CollationKeys&) = delete;
    CollationKeys& operator=(const CollationKeys&) = delete;

    /// Appends the key of `text`, going on with `tie` (bytes, none of them NUL), and returns
    /// its offset.
    uint32_t add(std::u16string_view text, std::string_view tie = {});
    /// Appends a key made by `write` of an instance for the same locale (NUL-terminated)
    /// and returns its offset.
    uint32_t addKey(const char* key);
    /// Writes the key of `text`, going on with `tie`, with its NUL, to the end of `out`,
    /// leaving the arena alone. Uses this instance's collator: one thread at a time.
    void write(std::u16string_view text, std::vector<char>& out, std::string_view tie = {}) const;
    /// Appends keys of `count` texts, computed on up to `threads` threads. `textOf(i, buffer)`
    /// writes text i into `buffer` (one per thread, reused, so no row allocates); `tieOf(i)`
    /// gives its tie bytes. Both must be safe to call from several threads. Returns the offsets
    /// in order.
    template<typename TextOf, typename TieOf = std::string_view (*)(size_t)>
    std::vector<uint32_t> addMany(size_t count, int threads, TextOf textOf, TieOf tieOf = &noTie);

    /// The key at `offset` (as returned by `add`).
    const char* key(uint32_t offset) const { return m_arena.data() + offset; }
    /// Eight bytes of the key at `offset`, from byte `from` on, as a number whose order is the
    /// keys' order there, padded with zeros after the key's end (0 when it ends before `from`).
    uint64_t prefix(uint32_t offset, int from = 0) const;
    /// Forgets every key.
    void clear();
    /// Bytes held by the keys.
    size_t bytes() const { return m_arena.capacity(); }

private:
    static std::string_view noTie(size_t) { return {}; }
    /// Writes the key of `text` with `collator`, going on with `tie`, to the end of `arena`.
    static void append(const UCollator* collator, std::u16string_view text, std::string_view tie,
                       std::vector<char>& arena);
    /// Writes the key of `text` alone, with its NUL.
    static void appendKey(const UCollator* collator, std::u16string_view text,
                          std::vector<char>& arena);
    /// A private copy of the collator for another thread; release with `closeCopy`.
    UCollator* copy() const;
    static void closeCopy(UCollator* collator);
    void appendChunk(const std::vector<char>& chunk, const std::vector<uint32_t>& offsets,
                     std::vector<uint32_t>& out);
    /// Runs `work(i)` for i in [0, threads) on as many threads, the last on this one.
    static void runParallel(int threads, const std::function<void(int)>& work);

    UCollator* m_collator = nullptr;
    std::vector<char> m_arena;
};

template<typename TextOf, typename TieOf>
std::vector<uint32_t> CollationKeys::addMany(size_t count, int threads, TextOf textOf, TieOf tieOf)
{
    std::vector<uint32_t> out;
    out.reserve(count);
    if (threads < 2 || count < 20000) {
        std::u16string buffer;
        for (size_t i = 0; i < count; ++i) {
            textOf(i, buffer);
            out.push_back(add(buffer, tieOf(i)));
        }
        return out;
    }
    std::vector<UCollator*> collators{m_collator};
    for (int t = 1; t < threads; ++t) {
        collators.push_back(copy());
        if (m_collator && !collators.back()) { // no copy for a helper: do it all here
            for (UCollator* made : collators)
                if (made != m_collator)
                    closeCopy(made);
            return addMany(count, 1, textOf, tieOf);
        }
    }
    std::vector<std::vector<char>> arenas(static_cast<size_t>(threads));
    std::vector<std::vector<uint32_t>> offsets(static_cast<size_t>(threads));
    runParallel(threads, [&](int t) {
        const size_t begin = count * size_t(t) / size_t(threads);
        const size_t end = count * size_t(t + 1) / size_t(threads);
        const UCollator* collator = collators[size_t(t)];
        auto& arena = arenas[size_t(t)];
        arena.reserve((end - begin) * 32);
        auto& local = offsets[size_t(t)];
        local.reserve(end - begin);
        std::u16string buffer;
        for (size_t i = begin; i < end; ++i) {
            local.push_back(uint32_t(arena.size()));
            textOf(i, buffer);
            append(collator, buffer, tieOf(i), arena);
        }
    });
    for (int t = 1; t < threads; ++t)
        closeCopy(collators[size_t(t)]);
    for (int t = 0; t < threads; ++t)
        appendChunk(arenas[size_t(t)], offsets[size_t(t)], out);
    return out;
}
