#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

/// A sort key made for a row where the row was made (on a walking thread), so that the
/// window's thread need not: NUL-terminated bytes holding no other NUL, or none. One pointer
/// wide, so that rows stay small; copies copy the bytes.
class RowKey final {
public:
    RowKey() = default;
    RowKey(const RowKey& other)
        : m_bytes(other.m_bytes ? strdup(other.m_bytes) : nullptr)
    {}
    RowKey(RowKey&& other) noexcept
        : m_bytes(std::exchange(other.m_bytes, nullptr))
    {}
    RowKey& operator=(RowKey other) noexcept
    {
        std::swap(m_bytes, other.m_bytes);
        return *this;
    }
    ~RowKey() { std::free(m_bytes); }

    /// Holds a copy of the `size` bytes at `bytes` (none of them NUL) and a NUL.
    void assign(const char* bytes, size_t size)
    {
        reset();
        m_bytes = static_cast<char*>(std::malloc(size + 1));
        if (!m_bytes)
            return;
        std::memcpy(m_bytes, bytes, size);
        m_bytes[size] = '\0';
    }
    /// The key, or null when there is none.
    const char* bytes() const { return m_bytes; }
    /// Drops the key.
    void reset()
    {
        std::free(m_bytes);
        m_bytes = nullptr;
    }

private:
    char* m_bytes = nullptr;
};

/// One found file or folder: a row of the result list. The exact bytes of its full path
/// (location followed by name) are its identity for every command; the texts shown are
/// derived from it when they are drawn.
struct ResultRow {
    /// `mtime` when the time could not be read.
    static constexpr qint64 NoTime = std::numeric_limits<qint64>::min();

    QByteArray location;   ///< the folder holding the entry, ending in '/', exact bytes; rows
                           ///< of one folder share one string
    QByteArray fileName;   ///< the entry's name with its extension, exact bytes
    qint64 size = 0;       ///< size in bytes (0 for folders)
    qint64 mtime = NoTime; ///< last-write time, milliseconds since the epoch (UTC)
    QString typeName;      ///< type name; shared between rows of one type
    QString url;           ///< shortcut address, "" when unreadable, "n/a" for other files
    bool folder = false;   ///< a directory: type "File Folder", no size
    RowKey nameKey;        ///< the Name sort key when the walk made it (see RowPreparation)

    /// The full path, exact bytes: location followed by name (made on each call).
    QByteArray path() const { return location + fileName; }
    /// Whether the full path is exactly `path`, without making it.
    bool hasPath(QByteArrayView path) const
    {
        return path.size() == location.size() + fileName.size() && path.startsWith(location) &&
               path.endsWith(fileName);
    }
    /// Sets location and name from a full path (the name starts after its last '/').
    void setPath(const QByteArray& path)
    {
        const qsizetype slash = path.lastIndexOf('/') + 1;
        location = path.first(slash);
        fileName = path.sliced(slash);
    }
    /// The name with its extension, as bytes.
    QByteArrayView name() const { return fileName; }
    /// The folder that holds the entry, ending in '/', as bytes.
    QByteArrayView folderPath() const { return location; }
};

using ResultRows = std::vector<ResultRow>;
/// Batches of rows that go into the list together, each kept as it came (moving rows from
/// one batch into another costs a pass over every row).
using RowBatches = std::vector<ResultRows>;
