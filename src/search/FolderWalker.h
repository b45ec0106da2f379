#pragma once

#include "FolderOpen.h"
#include "ListingCache.h"
#include "MatchQuery.h"
#include "ResultRow.h"
#include "SearchRequest.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <string>
#include <vector>

/// One match of a walk, valid only during the `WalkSink::found` call.
struct FoundEntry {
    QByteArrayView folder;            ///< the folder holding the entry, ending in '/'
    QByteArrayView name;              ///< the entry's name, exact bytes
    bool isFolder = false;            ///< a directory (a link to one is not)
    qint64 size = 0;                  ///< bytes (0 for folders); only with details
    qint64 mtime = ResultRow::NoTime; ///< ms since the epoch; only with details
    QString url;                      ///< shortcut address, "" unreadable, "n/a" otherwise
};

/// Where a walk delivers its matches and asks whether to go on.
class WalkSink {
public:
    virtual ~WalkSink() = default;
    /// Asked before every entry (the entries of a folder answered from memory that cannot
    /// match may be passed over together); true ends the walk there.
    virtual bool stopRequested() = 0;
    /// One match, in walk order.
    virtual void found(const FoundEntry& entry) = 0;
    /// A folder below the top one could not be entered or read (skipped): `error` is the
    /// errno value, 0 when it was replaced by something else since it was listed.
    virtual void unreadable(QByteArrayView path, int error)
    {
        Q_UNUSED(path);
        Q_UNUSED(error);
    }
};

/// The text of the URL column for entries that are not Internet shortcuts (one shared string).
const QString& notApplicableUrl();

/// Builds the result row of a match, with its type name.
ResultRow makeResultRow(const FoundEntry& entry);

/// Where a walk starts: at a folder the user named (a link to a folder is followed there), or
/// at a folder found inside a walk, opened below an open anchor folder without following
/// any link and checked to be the folder that was listed.
struct WalkStart {
    int anchorFd = -1;         ///< the anchor folder (not closed by the walk); -1: user-named
    size_t anchorLength = 0;   ///< length of the anchor's path, with its '/', in FolderPath
    FolderOpen::Listed listed; ///< what the start folder was listed as
};

/// A subfolder as its parent lists it.
struct ListedFolder {
    std::string name;
    quint64 ino = 0;
};

/// Walks one folder tree and reports the entries that pass the filter and the live match
/// test. Each folder is read once, its own matches are reported before its subfolders are
/// entered (in the order the file system lists them), no folder stays open while the walk
/// descends (but the anchor subfolders are opened from: one descriptor, two beyond
/// PATH_MAX, whatever the depth), symbolic links are never followed below the top folder,
/// and folders that cannot be read are reported to the sink and skipped. Iterative: any
/// depth and any path length work. No Qt event loop is needed. With a `ListingCache` in the
/// request, a folder whose signature is unchanged since its listing was kept is not read
/// again: its entries are taken from memory and handled as if just read (sizes, dates and
/// changed shortcuts are still read from the disk), so the matches are the same.
class FolderWalker final {
public:
    /// How a walk ended.
    enum class Outcome { Finished, Stopped, Unreadable };

    /// A walker reading the live query `query` and reporting to `sink`; with `details` the
    /// size and time of every match are read too.
    FolderWalker(const LiveQuery& query, WalkSink& sink, bool details);
    ~FolderWalker();
    Q_DISABLE_COPY_MOVE(FolderWalker)

    /// Walks the request's folder; Unreadable when that folder cannot be read (errno then
    /// tells why, 0 when it is not the folder that was listed). Stopped once the sink or the
    /// request's token asks for it.
    Outcome walk(const SearchRequest& request, const WalkStart& start = {});

    /// Reads the request's folder alone: reports its matches and returns in `subfolders` the
    /// subfolders, in listing order, instead of entering them (none when the request
    /// excludes subfolders), and in `dev` the folder's device. Outcomes as for `walk`.
    Outcome scanOne(const SearchRequest& request, const WalkStart& start,
                    std::vector<ListedFolder>& subfolders, quint64& dev);

private:
    struct Frame;
    struct Entry;

    Outcome openStart(const SearchRequest& request, const WalkStart& start);
    Outcome readFolder(const FolderOpen::Listed* listed, Frame& frame);
    std::shared_ptr<const ListingCache::Listing>
    remembered(const FolderOpen::Listed* listed, quint64& dev, ListingCache::Key& key, bool& stale);
    bool replayAnchor(const ListingCache::Listing& listing);
    bool checkReplayed(struct stat& st);
    bool enterNext(Frame& frame, std::vector<Frame>& stack);
    bool scanFolder(int fd, Frame& subfolders, const ListingCache::Signature* remember);
    bool replayFolder(const ListingCache::Listing& listing, Frame& subfolders);
    bool replayEntries(const ListingCache::Listing& listing, Frame& subfolders);
    bool replayUnmatched(const ListingCache::Listing& listing, Frame& subfolders);
    void handleEntry(Entry& entry, Frame& subfolders);
    bool readShortcut(Entry& entry, bool nameMatches, FoundEntry& found);
    bool sameShortcut(Entry& entry, const ListingCache::ShortcutMemo& memo);
    bool readDetails(Entry& entry, FoundEntry& found);
    const char* atName(const Entry& entry);
    void openReplayed();
    bool stopped();
    int openBelow();
    int openRelative(int anchorFd, size_t anchorLength);
    bool deepAnchorFits() const;
    bool openDeepAnchor();
    void dropDeepAnchor();
    void dropTopAnchor();

    LiveQuery::Reader m_query;
    WalkSink& m_sink;
    bool m_details;
    const SearchRequest* m_request = nullptr; // the request being walked
    std::string m_path;                       // the folder being read, ending in '/'
    int m_topFd = -1;                         // the anchor folders below it are opened from
    size_t m_topLength = 0;                   // its path's length in m_path, with its '/'
    bool m_ownsTop = false;                   // whether m_topFd is this walker's to close
    bool m_topUnread = false;                 // m_topFd is the named top, not yet read
    int m_deepFd = -1;                        // a second anchor for paths PATH_MAX beyond the first
    size_t m_deepLength = 0;                  // its path's length in m_path
    std::string m_deepPath;                   // its path
    std::vector<char> m_entries;              // directory records as the kernel returns them

    // The listing cache, while a walk with one runs.
    std::shared_ptr<ListingCache::Scope> m_scope;    // the walk's scope in the request's cache
    ListingCache::Builder m_builder;                 // the folder being read, to be kept
    bool m_building = false;                         // whether m_builder collects this folder
    const ListingCache::Listing* m_replay = nullptr; // the listing whose entries are handled
    int m_entryFd = -1;           // the folder the current entries' names are relative to
    size_t m_replayBase = 0;      // replaying: where the path below m_entryFd starts in m_path
    std::string m_atName;         // replaying: an entry's path below m_entryFd
    int m_replayFd = -1;          // replaying: the folder itself, once many entries needed a look
    bool m_replayMayMatch = true; // replaying: whether a name of the listing may hold the text
    unsigned m_replayLookups = 0; // replaying: looks at entries so far
};
