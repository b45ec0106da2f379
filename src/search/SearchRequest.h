#pragma once

#include "FileFilter.h"

#include <QByteArray>

#include <atomic>
#include <memory>

class ListingCache;

/// A stop request shared by whoever starts work and the walks doing it. Each copy refers to
/// the same flag; a new token is a new flag, so stopping one piece of work never stops
/// another.
class CancelToken final {
public:
    /// A token not yet cancelled.
    CancelToken()
        : m_flag(std::make_shared<std::atomic<bool>>(false))
    {}
    /// Asks every walk holding this token to end at its next entry.
    void cancel() const { m_flag->store(true, std::memory_order_relaxed); }
    /// Whether `cancel` was called on this token or a copy of it.
    bool cancelled() const { return m_flag->load(std::memory_order_relaxed); }

private:
    std::shared_ptr<std::atomic<bool>> m_flag;
};

/// One top-level walk of a search run.
struct SearchRequest {
    bool IncludeSubfolders = false; ///< descend into subfolders
    QByteArray FolderPath;          ///< the folder to walk, exact bytes
    FileFilter Pattern;             ///< which entries may be listed
    CancelToken Cancel;             ///< the walk ends at its next entry once this is cancelled
    std::shared_ptr<ListingCache> Listings; ///< folder listings kept between walks; null: none
};
