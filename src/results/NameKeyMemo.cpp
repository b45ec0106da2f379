#include "NameKeyMemo.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <utility>

namespace {

uint16_t readLength(const char* at)
{
    uint16_t length;
    std::memcpy(&length, at, sizeof length);
    return length;
}

void appendLength(std::vector<char>& to, size_t length)
{
    const auto value = uint16_t(length);
    const char* bytes = reinterpret_cast<const char*>(&value);
    to.insert(to.end(), bytes, bytes + sizeof value);
}

constexpr size_t HeaderBytes = 2 * sizeof(uint16_t);
constexpr size_t FirstSlots = 1024;

} // namespace

NameKeyMemo::NameKeyMemo(size_t maxBytes)
    // A quarter of each part's share for its slots, the rest for its records.
    : m_recordBytes(std::min<size_t>(maxBytes / PartCount / 4 * 3, UINT32_MAX - 1))
    , m_maxSlots(std::bit_floor(std::max<size_t>(maxBytes / PartCount / 4 / sizeof(Slot), 2)))
{}

uint64_t NameKeyMemo::hashOf(QByteArrayView name)
{
    const uint64_t hash = std::hash<std::string_view>{}({name.data(), size_t(name.size())});
    // Mixed, so that the part (top bits) and the slot (low bits) do not follow each other.
    return (hash ^ (hash >> 31)) * 0x9E3779B97F4A7C15ull;
}

NameKeyMemo::Slot& NameKeyMemo::slotOf(Part& part, uint64_t hash, QByteArrayView name)
{
    const size_t mask = part.slots.size() - 1;
    const auto check = uint32_t(hash >> 32);
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
        Slot& slot = part.slots[i];
        if (slot.record == 0)
            return slot;
        if (slot.check != check)
            continue;
        const char* record = part.records.data() + slot.record - 1;
        if (readLength(record) == name.size() &&
            std::memcmp(record + HeaderBytes, name.data(), size_t(name.size())) == 0)
            return slot;
    }
}

bool NameKeyMemo::find(QByteArrayView name, std::vector<char>& out) const
{
    const uint64_t hash = hashOf(name);
    Part& part = partOf(hash);
    const std::lock_guard lock(part.mutex);
    if (part.slots.empty())
        return false;
    const Slot& slot = slotOf(part, hash, name);
    if (slot.record == 0)
        return false;
    const char* record = part.records.data() + slot.record - 1;
    const char* key = record + HeaderBytes + readLength(record);
    out.insert(out.end(), key, key + readLength(record + sizeof(uint16_t)));
    return true;
}

void NameKeyMemo::store(QByteArrayView name, std::string_view key)
{
    const size_t recordSize = HeaderBytes + size_t(name.size()) + key.size();
    if (name.size() > UINT16_MAX || key.size() > UINT16_MAX || recordSize > m_recordBytes)
        return;
    const uint64_t hash = hashOf(name);
    Part& part = partOf(hash);
    const std::lock_guard lock(part.mutex);
    if (part.records.size() + recordSize > m_recordBytes)
        empty(part); // full: start afresh rather than track which names were used last
    if ((part.count + 1) * 2 > part.slots.size() && !grow(part))
        empty(part); // at its most slots (a part with none always gets its first ones)
    Slot& slot = slotOf(part, hash, name);
    if (slot.record != 0)
        return; // another thread made the same key meanwhile
    if (part.records.size() + recordSize > part.records.capacity()) // grown here, within bounds
        part.records.reserve(
            std::min(m_recordBytes, std::max(part.records.capacity() * 2, size_t(64) << 10)));
    slot = {uint32_t(hash >> 32), uint32_t(part.records.size() + 1)};
    ++part.count;
    appendLength(part.records, size_t(name.size()));
    appendLength(part.records, key.size());
    part.records.insert(part.records.end(), name.begin(), name.end());
    part.records.insert(part.records.end(), key.begin(), key.end());
}

void NameKeyMemo::empty(Part& part) const
{
    part.records.clear();
    std::fill(part.slots.begin(), part.slots.end(), Slot{});
    part.count = 0;
}

bool NameKeyMemo::grow(Part& part) const
{
    const size_t size =
        part.slots.empty() ? std::min(FirstSlots, m_maxSlots) : part.slots.size() * 2;
    if (size > m_maxSlots || size < 2)
        return false;
    std::vector<Slot> old = std::exchange(part.slots, std::vector<Slot>(size));
    const size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (slot.record == 0)
            continue;
        // The low half of the hash is gone; the record's name gives it again.
        const char* record = part.records.data() + slot.record - 1;
        const uint64_t hash = hashOf({record + HeaderBytes, readLength(record)});
        size_t i = size_t(hash) & mask;
        while (part.slots[i].record != 0)
            i = (i + 1) & mask;
        part.slots[i] = slot;
    }
    return true;
}

size_t NameKeyMemo::bytes() const
{
    size_t total = 0;
    for (const Part& part : m_parts) {
        const std::lock_guard lock(part.mutex);
        total += part.records.capacity() + part.slots.capacity() * sizeof(Slot);
    }
    return total;
}
