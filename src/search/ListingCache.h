#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct stat;

/// What the folders of recent walks held, so that a walk of the same scope re-reads only the
/// folders that changed. Per folder: its names, entry types, the inodes of its subfolders and
/// the addresses of its shortcut files, with the folder's signature (device, inode,
/// modification and change time in nanoseconds). Kept per scope (the top folder a walk is
/// anchored at); when the memory kept passes its limit, the least recently searched scopes
/// are dropped first. Safe for lookups and stores from several threads at once; a listing
/// is immutable once stored, so it is read without any lock.
class ListingCache final {
public:
    /// The default bound on the memory kept.
    static constexpr size_t DefaultMaxBytes = size_t(150) << 20;
    /// A folder or file changed less than this long before it was read is not remembered:
    /// a later change within the same clock tick would leave its times as they were.
    static constexpr qint64 SettleNanoseconds = 2'000'000'000;

    /// What identifies one state of a folder or file.
    struct Signature {
        quint64 dev = 0;
        quint64 ino = 0;
        qint64 mtime = 0; ///< nanoseconds since the epoch
        qint64 ctime = 0; ///< nanoseconds since the epoch
        qint64 size = 0;  ///< for shortcut files; 0 for folders
        /// The signature of a stat result (`withSize`: also its size).
        static Signature of(const struct stat& st, bool withSize);
        bool operator==(const Signature&) const = default;
    };

    /// A folder's identity: its device and inode (folders have no hard links, so a folder's
    /// listing does not depend on the path it was reached by).
    struct Key {
        quint64 dev = 0;
        quint64 ino = 0;
        bool operator==(const Key&) const = default;
    };

    /// The address read from one shortcut file, valid while the file's signature holds.
    struct ShortcutMemo {
        Signature file;
        quint32 entry = 0;       ///< the entry's position in its folder's listing
        quint32 urlStart = 0;    ///< where the address starts in the listing's address text
        quint32 urlLength = 0;   ///< its length in UTF-16 code units
        bool isShortcut = false; ///< whether the file was an Internet shortcut at all
    };

    /// One folder's entries as they were read; immutable.
    class Listing final {
    public:
        /// The folder's signature when it was read.
        const Signature& signature() const { return m_signature; }
        /// The number of entries ("." and ".." are never kept).
        quint32 count() const { return m_count; }
        /// The name of entry `i`, exact bytes (not NUL-terminated).
        QByteArrayView name(quint32 i) const
        {
            const quint32* offsets = this->offsets();
            return {names() + offsets[i], qsizetype(offsets[i + 1] - offsets[i])};
        }
        /// The d_type of entry `i` (resolved with a stat where the file system gave none).
        unsigned char type(quint32 i) const { return types()[i]; }
        /// The inode of the `k`-th entry of type DT_DIR, in listing order.
        quint64 folderIno(quint32 k) const;
        /// The bytes of all names, one after the other.
        QByteArrayView allNames() const { return {names(), qsizetype(m_nameBytes)}; }
        /// Whether every name is ASCII.
        bool asciiNames() const { return m_asciiNames; }
        /// The number of files (or links) whose names mark them as possible shortcuts.
        quint32 shortcutCount() const { return m_shortcuts; }
        /// The position of the `k`-th of those files, in listing order.
        quint32 shortcutEntry(quint32 k) const { return offsets()[m_count + 1 + k]; }
        /// The longest name's length.
        quint32 longestName() const { return m_longestName; }
        /// The bytes of all names together.
        quint32 nameBytes() const { return m_nameBytes; }
        /// The remembered address of entry `i`, or null.
        const ShortcutMemo* memo(quint32 i) const;
        /// The address text of a memo.
        QString url(const ShortcutMemo& memo) const;
        /// The memory this listing takes, allocation overhead included.
        size_t bytes() const;

    private:
        friend class ListingCache;
        const quint32* offsets() const { return reinterpret_cast<const quint32*>(m_block.get()); }
        const unsigned char* types() const;
        const char* names() const;

        Signature m_signature;
        quint32 m_count = 0;
        quint32 m_folders = 0;
        quint32 m_nameBytes = 0;
        quint32 m_longestName = 0;
        quint32 m_shortcuts = 0;
        bool m_asciiNames = true;
        std::unique_ptr<std::byte[]> m_block; // offsets, shortcut positions, folder inodes,
                                              // types, names
        std::vector<ShortcutMemo> m_memos;    // by entry position
        std::u16string m_urls;
    };

    /// Collects one folder's entries while it is read; reused from folder to folder.
    class Builder final {
    public:
        /// Starts a new folder.
        void clear();
        /// The position the next entry will have.
        quint32 count() const { return quint32(m_types.size()); }
        /// Adds an entry (its type resolved; `ino` is kept for folders only); `mayBeShortcut`:
        /// a file or link whose name marks it as a possible shortcut.
        void add(QByteArrayView name, unsigned char type, quint64 ino, bool mayBeShortcut);
        /// Remembers the address read from the shortcut file at position `entry`.
        void addShortcut(quint32 entry, const Signature& file, bool isShortcut, const QString& url);
        /// The compact listing of what was added, with the folder's signature.
        std::shared_ptr<const Listing> finish(const Signature& folder) const;

    private:
        std::string m_names;
        std::vector<quint32> m_offsets;
        std::vector<unsigned char> m_types;
        std::vector<quint32> m_shortcuts;
        std::vector<quint64> m_folderInos;
        std::vector<ShortcutMemo> m_memos;
        std::u16string m_urls;
        quint32 m_longest = 0;
        unsigned char m_highBits = 0;
    };

    class Scope;

    /// A cache keeping at most about `maxBytes` of listings, remembering only what did not
    /// change for `settleNanoseconds` before it was read.
    explicit ListingCache(size_t maxBytes = DefaultMaxBytes,
                          qint64 settleNanoseconds = SettleNanoseconds);
    ~ListingCache();
    Q_DISABLE_COPY_MOVE(ListingCache)

    /// The scope of the walks anchored at `top` (a folder path ending in '/'), marked as the
    /// most recently searched; made empty when new. Valid while this cache lives.
    std::shared_ptr<Scope> scope(std::string_view top);

    /// The memory kept now, in bytes.
    size_t bytes() const { return m_bytes.load(std::memory_order_relaxed); }
    /// Whether a state read at `takenAt` (ns since the epoch) may be remembered: its
    /// modification and change times both lie more than the settle time before it.
    bool settled(const Signature& signature, qint64 takenAt) const
    {
        return signature.mtime < takenAt - m_settle && signature.ctime < takenAt - m_settle;
    }
    /// The bound given at construction.
    size_t maxBytes() const { return m_maxBytes; }
    /// The tops of the scopes kept, most recently searched first.
    std::vector<std::string> scopes() const;

    /// What walks did with the cache since it was made.
    struct Counts {
        quint64 replayed = 0;  ///< folders answered from memory
        quint64 read = 0;      ///< folders read from the disk in a walk with the cache
        quint64 stored = 0;    ///< listings stored
        quint64 entries = 0;   ///< entries in the listings kept now
        quint64 folders = 0;   ///< listings kept now
        quint64 nameBytes = 0; ///< bytes of the names in the listings kept now
    };
    /// The counters and what is kept now.
    Counts counts() const;
    /// Counts a folder answered from memory (`fromMemory`) or read from the disk.
    void countFolder(bool fromMemory);

private:
    friend class Scope;
    bool makeRoomFor(const Scope* keep);

    const size_t m_maxBytes;
    const qint64 m_settle;
    std::atomic<size_t> m_bytes{0};
    std::atomic<quint64> m_entries{0};
    std::atomic<quint64> m_folders{0};
    std::atomic<quint64> m_nameBytes{0};
    std::atomic<quint64> m_replayed{0};
    std::atomic<quint64> m_read{0};
    std::atomic<quint64> m_stored{0};
    mutable std::mutex m_mutex; // guards m_scopes and m_clock; taken before any shard's
    std::unordered_map<std::string, std::shared_ptr<Scope>> m_scopes;
    quint64 m_clock = 0;
};

/// The listings of the folders of one scope, by the folders' identity.
class ListingCache::Scope final {
public:
    /// An empty scope of `cache` for the walks anchored at `top`; made by `ListingCache::scope`.
    Scope(ListingCache& cache, std::string top);
    Q_DISABLE_COPY_MOVE(Scope)

    /// The listing kept for `key`, or null.
    std::shared_ptr<const Listing> find(const Key& key) const;
    /// Keeps `listing` for `key` (replacing what was kept), unless this scope was dropped or
    /// the listing cannot fit even after every other scope was dropped.
    void store(const Key& key, std::shared_ptr<const Listing> listing);
    /// Drops what is kept for `key`.
    void forget(const Key& key);
    /// Whether the cache dropped this scope (it then keeps nothing more).
    bool dropped() const { return m_dropped.load(std::memory_order_relaxed); }
    /// The scope's top folder.
    const std::string& top() const { return m_top; }

private:
    friend class ListingCache;
    struct Hash {
        size_t operator()(const Key& key) const
        {
            return size_t((key.ino * 0x9E3779B97F4A7C15ull) ^ (key.dev * 0xC2B2AE3D27D4EB4Full));
        }
    };
    using Map = std::unordered_map<Key, std::shared_ptr<const Listing>, Hash>;
    struct Shard {
        mutable std::mutex mutex;
        Map map;
        size_t bytes = 0;
    };
    static constexpr size_t ShardCount = 16;

    Shard& shardOf(const Key& key) const { return m_shards[(Hash{}(key) >> 32) % ShardCount]; }
    void account(Shard& shard, const Listing* listing, bool add);
    void clear();

    ListingCache& m_cache;
    const std::string m_top;
    std::atomic<bool> m_dropped{false};
    quint64 m_lastUse = 0; // guarded by the cache's mutex
    mutable std::array<Shard, ShardCount> m_shards;
};
