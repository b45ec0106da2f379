#pragma once

#include <QByteArrayView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

/// The Name sort keys made lately, by the exact bytes of the name each was made of, so that a
/// name met again (in a repeated search, or in another folder) is not keyed again: making a key
/// takes about a microsecond, finding it here a small part of that. A key depends on the name
/// alone for one locale, so one memo serves one locale. Safe from several threads at once.
/// Bounded: a part that would pass its share of the bound is emptied and starts afresh.
class NameKeyMemo final {
public:
    /// The default bound on the memory kept.
    static constexpr size_t DefaultMaxBytes = size_t(32) << 20;

    explicit NameKeyMemo(size_t maxBytes = DefaultMaxBytes);
    NameKeyMemo(const NameKeyMemo&) = delete;
    NameKeyMemo& operator=(const NameKeyMemo&) = delete;

    /// Appends the key kept for `name` to `out` (without a NUL) and returns true, or returns
    /// false when none is kept.
    bool find(QByteArrayView name, std::vector<char>& out) const;
    /// Keeps `key` (bytes, no NUL) as the key of `name`.
    void store(QByteArrayView name, std::string_view key);
    /// The memory kept now, in bytes.
    size_t bytes() const;

private:
    static constexpr size_t PartCount = 16;
    struct Slot {
        uint32_t check = 0;  // the hash's high half
        uint32_t record = 0; // the record's offset + 1; 0 for an empty slot
    };
    /// A share of the names; records are [name length: u16][key length: u16][name][key].
    struct Part {
        mutable std::mutex mutex;
        std::vector<char> records;
        std::vector<Slot> slots; // open addressing, a power of two long, at most half full
        size_t count = 0;
    };

    static uint64_t hashOf(QByteArrayView name);
    Part& partOf(uint64_t hash) const { return m_parts[hash >> 60]; }
    /// The slot holding `name`, or the empty slot where it would go.
    static Slot& slotOf(Part& part, uint64_t hash, QByteArrayView name);
    void empty(Part& part) const;
    bool grow(Part& part) const;

    const size_t m_recordBytes; // per part
    const size_t m_maxSlots;    // per part
    mutable std::array<Part, PartCount> m_parts;
};
