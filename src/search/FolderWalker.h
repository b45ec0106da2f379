#pragma once

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
    /// Asked before every entry; true ends the walk there.
    virtual bool stopRequested() = 0;
    /// One match, in walk order.
    virtual void found(const FoundEntry& entry) = 0;
};

/// The text of the URL column for entries that are not Internet shortcuts (one shared string).
const QString& notApplicableUrl();

/// Builds the result row of a match, with its type name.
ResultRow makeResultRow(const FoundEntry& entry);

/// Walks one folder tree and reports the entries that pass the filter and the live match
/// test. Each folder is read once, its own matches are reported before its subfolders are
/// entered (in the order the file system lists them), no folder stays open while the walk
/// descends (but the top one, as the anchor subfolders are opened from: one descriptor
/// whatever the depth), symbolic links are never followed, and folders that cannot be read are
/// skipped. Iterative: any depth and any path length work. No Qt event loop is needed.
class FolderWalker final {
public:
    /// How a walk ended.
    enum class Outcome { Finished, Stopped, Unreadable };

    /// A walker reading the live query `query` and reporting to `sink`; with `details` the
    /// size and time of every match are read too.
    FolderWalker(const LiveQuery& query, WalkSink& sink, bool details);
    ~FolderWalker();
    Q_DISABLE_COPY_MOVE(FolderWalker)

    /// Where a walk starts: at a folder the user named (a link to a folder is followed
    /// there), or at a folder found inside a walk (a link is never followed).
    enum class Start { Top, Inside };

    /// Walks the request's folder; Unreadable when that folder cannot be read (errno then
    /// tells why).
    Outcome walk(const SearchRequest& request, Start start = Start::Top);

    /// Reads the request's folder alone: reports its matches and returns in `subfolders` the
    /// names of its subfolders, in listing order, instead of entering them (none when the
    /// request excludes subfolders). Outcomes as for `walk`.
    Outcome scanOne(const SearchRequest& request, Start start,
                    std::vector<std::string>& subfolders);

private:
    struct Frame;

    Outcome openTop(const SearchRequest& request, Start start, int& fd);
    bool scanFolder(int fd, const SearchRequest& request, Frame& subfolders);
    int openFolder(bool top);
    int openLongPath(int flags);
    bool anchorFits() const;
    void dropAnchor();

    LiveQuery::Reader m_query;
    WalkSink& m_sink;
    bool m_details;
    std::string m_path;   // the folder being read, ending in '/'
    std::string m_anchor; // a folder kept open for paths longer than PATH_MAX
    int m_anchorFd = -1;
    std::vector<char> m_entries; // directory records as the kernel returns them
};
