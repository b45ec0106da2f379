#include "ListingCache.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

/// What the allocator adds to every block it hands out (size word and alignment).
constexpr size_t AllocationOverhead = 16;
/// A shared_ptr control block made by make_shared: two counters and a vtable pointer.
constexpr size_t ControlBlock = 16;

qint64 nanoseconds(const struct timespec& t)
{
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

size_t roundUp8(size_t n)
{
    return (n + 7) & ~size_t(7);
}

/// Where the parts of a listing's block start: offsets (with the names' end), shortcut
/// positions, folder inodes, types, names.
struct BlockLayout {
    size_t inos = 0;
    size_t types = 0;
    size_t names = 0;
    size_t total = 0;

    BlockLayout(quint32 count, quint32 shortcuts, quint32 folders, quint32 nameBytes)
        : inos(roundUp8(sizeof(quint32) * (size_t(count) + 1 + shortcuts)))
        , types(inos + sizeof(quint64) * folders)
        , names(types + count)
        , total(names + nameBytes)
    {}
};

/// The memory a map node takes: the node (link, key, value, cached hash) and its bucket.
constexpr size_t NodeBytes = sizeof(void*) + sizeof(ListingCache::Key) +
                             sizeof(std::shared_ptr<void>) + sizeof(size_t) + AllocationOverhead +
                             sizeof(void*);

} // namespace

ListingCache::Signature ListingCache::Signature::of(const struct stat& st, bool withSize)
{
    Signature signature;
    signature.dev = quint64(st.st_dev);
    signature.ino = quint64(st.st_ino);
    signature.mtime = nanoseconds(st.st_mtim);
    signature.ctime = nanoseconds(st.st_ctim);
    signature.size = withSize ? qint64(st.st_size) : 0;
    return signature;
}

// ---- Listing ----

const unsigned char* ListingCache::Listing::types() const
{
    return reinterpret_cast<const unsigned char*>(m_block.get()) +
           BlockLayout(m_count, m_shortcuts, m_folders, m_nameBytes).types;
}

const char* ListingCache::Listing::names() const
{
    return reinterpret_cast<const char*>(m_block.get()) +
           BlockLayout(m_count, m_shortcuts, m_folders, m_nameBytes).names;
}

quint64 ListingCache::Listing::folderIno(quint32 k) const
{
    quint64 ino = 0;
    std::memcpy(&ino,
                m_block.get() + BlockLayout(m_count, m_shortcuts, m_folders, m_nameBytes).inos +
                    sizeof(quint64) * k,
                sizeof ino);
    return ino;
}

const ListingCache::ShortcutMemo* ListingCache::Listing::memo(quint32 i) const
{
    const auto it = std::lower_bound(m_memos.begin(), m_memos.end(), i,
                                     [](const ShortcutMemo& m, quint32 e) { return m.entry < e; });
    return it != m_memos.end() && it->entry == i ? &*it : nullptr;
}

QString ListingCache::Listing::url(const ShortcutMemo& memo) const
{
    if (memo.urlLength == 0)
        return {};
    return QString(reinterpret_cast<const QChar*>(m_urls.data() + memo.urlStart),
                   qsizetype(memo.urlLength));
}

size_t ListingCache::Listing::bytes() const
{
    size_t bytes = sizeof(Listing) + ControlBlock + AllocationOverhead;
    bytes += BlockLayout(m_count, m_shortcuts, m_folders, m_nameBytes).total + AllocationOverhead;
    if (m_memos.capacity() > 0)
        bytes += m_memos.capacity() * sizeof(ShortcutMemo) + AllocationOverhead;
    if (m_urls.capacity() > 7)
        bytes += (m_urls.capacity() + 1) * sizeof(char16_t) + AllocationOverhead;
    return bytes;
}

// ---- Builder ----

void ListingCache::Builder::clear()
{
    m_names.clear();
    m_offsets.clear();
    m_types.clear();
    m_shortcuts.clear();
    m_folderInos.clear();
    m_memos.clear();
    m_urls.clear();
    m_longest = 0;
    m_highBits = 0;
}

void ListingCache::Builder::add(QByteArrayView name, unsigned char type, quint64 ino,
                                bool mayBeShortcut)
{
    if (mayBeShortcut)
        m_shortcuts.push_back(quint32(m_types.size()));
    for (const char c : name)
        m_highBits |= static_cast<unsigned char>(c);
    m_offsets.push_back(quint32(m_names.size()));
    m_names.append(name.data(), size_t(name.size()));
    m_types.push_back(type);
    if (type == DT_DIR)
        m_folderInos.push_back(ino);
    m_longest = std::max(m_longest, quint32(name.size()));
}

void ListingCache::Builder::addShortcut(quint32 entry, const Signature& file, bool isShortcut,
                                        const QString& url)
{
    ShortcutMemo memo;
    memo.file = file;
    memo.entry = entry;
    memo.urlStart = quint32(m_urls.size());
    memo.urlLength = quint32(url.size());
    memo.isShortcut = isShortcut;
    m_urls.append(reinterpret_cast<const char16_t*>(url.utf16()), size_t(url.size()));
    m_memos.push_back(memo);
}

std::shared_ptr<const ListingCache::Listing>
ListingCache::Builder::finish(const Signature& folder) const
{
    auto listing = std::make_shared<Listing>();
    listing->m_signature = folder;
    listing->m_count = quint32(m_types.size());
    listing->m_folders = quint32(m_folderInos.size());
    listing->m_nameBytes = quint32(m_names.size());
    listing->m_longestName = m_longest;
    listing->m_shortcuts = quint32(m_shortcuts.size());
    listing->m_asciiNames = m_highBits < 0x80;
    const BlockLayout layout(listing->m_count, listing->m_shortcuts, listing->m_folders,
                             listing->m_nameBytes);
    listing->m_block = std::make_unique_for_overwrite<std::byte[]>(layout.total);
    std::byte* block = listing->m_block.get();
    // An empty vector may have no storage at all, and memcpy is never to be given none.
    const auto copy = [](std::byte* to, const auto& items) {
        if (!items.empty())
            std::memcpy(to, items.data(), sizeof(items[0]) * items.size());
    };
    copy(block, m_offsets);
    const auto end = quint32(m_names.size());
    std::memcpy(block + sizeof(quint32) * m_offsets.size(), &end, sizeof end);
    copy(block + sizeof(quint32) * (m_offsets.size() + 1), m_shortcuts);
    copy(block + layout.inos, m_folderInos);
    copy(block + layout.types, m_types);
    copy(block + layout.names, m_names);
    listing->m_memos = m_memos; // added in entry order
    listing->m_urls = m_urls;
    return listing;
}

// ---- Scope ----

ListingCache::Scope::Scope(ListingCache& cache, std::string top)
    : m_cache(cache)
    , m_top(std::move(top))
{}

std::shared_ptr<const ListingCache::Listing> ListingCache::Scope::find(const Key& key) const
{
    Shard& shard = shardOf(key);
    const std::lock_guard lock(shard.mutex);
    const auto it = shard.map.find(key);
    return it == shard.map.end() ? nullptr : it->second;
}

void ListingCache::Scope::account(Shard& shard, const Listing* listing, bool add)
{
    const size_t bytes = listing->bytes() + NodeBytes;
    if (add) {
        shard.bytes += bytes;
        m_cache.m_bytes.fetch_add(bytes, std::memory_order_relaxed);
        m_cache.m_entries.fetch_add(listing->count(), std::memory_order_relaxed);
        m_cache.m_folders.fetch_add(1, std::memory_order_relaxed);
        m_cache.m_nameBytes.fetch_add(listing->nameBytes(), std::memory_order_relaxed);
    } else {
        shard.bytes -= bytes;
        m_cache.m_bytes.fetch_sub(bytes, std::memory_order_relaxed);
        m_cache.m_entries.fetch_sub(listing->count(), std::memory_order_relaxed);
        m_cache.m_folders.fetch_sub(1, std::memory_order_relaxed);
        m_cache.m_nameBytes.fetch_sub(listing->nameBytes(), std::memory_order_relaxed);
    }
}

void ListingCache::Scope::store(const Key& key, std::shared_ptr<const Listing> listing)
{
    Shard& shard = shardOf(key);
    const Listing* stored = listing.get();
    {
        const std::lock_guard lock(shard.mutex);
        if (dropped())
            return;
        auto it = shard.map.find(key);
        if (it == shard.map.end()) {
            it = shard.map.emplace(key, std::move(listing)).first;
        } else {
            account(shard, it->second.get(), false);
            it->second = std::move(listing);
        }
        account(shard, it->second.get(), true);
    }
    m_cache.m_stored.fetch_add(1, std::memory_order_relaxed);
    if (m_cache.bytes() <= m_cache.maxBytes() || m_cache.makeRoomFor(this))
        return;
    // Too large even alone: keep the part of the scope that fitted rather than grow.
    const std::lock_guard lock(shard.mutex);
    const auto it = shard.map.find(key);
    if (it != shard.map.end() && it->second.get() == stored) {
        account(shard, stored, false);
        shard.map.erase(it);
    }
}

void ListingCache::Scope::forget(const Key& key)
{
    Shard& shard = shardOf(key);
    const std::lock_guard lock(shard.mutex);
    const auto it = shard.map.find(key);
    if (it != shard.map.end()) {
        account(shard, it->second.get(), false);
        shard.map.erase(it);
    }
}

void ListingCache::Scope::clear()
{
    m_dropped.store(true, std::memory_order_relaxed);
    for (Shard& shard : m_shards) {
        const std::lock_guard lock(shard.mutex);
        for (const auto& [key, listing] : shard.map)
            account(shard, listing.get(), false);
        Map().swap(shard.map);
    }
}

// ---- ListingCache ----

ListingCache::ListingCache(size_t maxBytes, qint64 settleNanoseconds)
    : m_maxBytes(maxBytes)
    , m_settle(settleNanoseconds)
{}

ListingCache::~ListingCache() = default;

std::shared_ptr<ListingCache::Scope> ListingCache::scope(std::string_view top)
{
    const std::lock_guard lock(m_mutex);
    const std::string key(top);
    std::shared_ptr<Scope>& scope = m_scopes[key];
    if (!scope)
        scope = std::make_shared<Scope>(*this, key);
    scope->m_lastUse = ++m_clock;
    return scope;
}

bool ListingCache::makeRoomFor(const Scope* keep)
{
    const std::lock_guard lock(m_mutex);
    while (bytes() > m_maxBytes) {
        auto oldest = m_scopes.end();
        for (auto it = m_scopes.begin(); it != m_scopes.end(); ++it) {
            if (it->second.get() != keep &&
                (oldest == m_scopes.end() || it->second->m_lastUse < oldest->second->m_lastUse))
                oldest = it;
        }
        if (oldest == m_scopes.end())
            return false;
        oldest->second->clear();
        m_scopes.erase(oldest);
    }
    return true;
}

std::vector<std::string> ListingCache::scopes() const
{
    std::vector<std::pair<quint64, std::string>> byUse;
    {
        const std::lock_guard lock(m_mutex);
        for (const auto& [top, scope] : m_scopes)
            byUse.emplace_back(scope->m_lastUse, top);
    }
    std::sort(byUse.begin(), byUse.end(), std::greater<>());
    std::vector<std::string> tops;
    for (auto& [use, top] : byUse)
        tops.push_back(std::move(top));
    return tops;
}

ListingCache::Counts ListingCache::counts() const
{
    Counts counts;
    counts.replayed = m_replayed.load(std::memory_order_relaxed);
    counts.read = m_read.load(std::memory_order_relaxed);
    counts.stored = m_stored.load(std::memory_order_relaxed);
    counts.entries = m_entries.load(std::memory_order_relaxed);
    counts.folders = m_folders.load(std::memory_order_relaxed);
    counts.nameBytes = m_nameBytes.load(std::memory_order_relaxed);
    return counts;
}

void ListingCache::countFolder(bool fromMemory)
{
    (fromMemory ? m_replayed : m_read).fetch_add(1, std::memory_order_relaxed);
}
