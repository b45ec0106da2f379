#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

/// What a search needs to know of one folder it may walk from; learning it takes system
/// calls, which block for as long as the folder's file system does not answer.
struct RootFacts {
    bool missing = false;  ///< nothing there, or a file on the way: reported, not walked
    bool listable = false; ///< a folder that can be listed: it covers what is inside it
    QByteArray real;       ///< where it really is; the path itself when that cannot be told
};
using RootTable = QHash<QByteArray, RootFacts>;

/// Whether nothing is at `folder` (or a file stands on the way), as opposed to a folder that
/// cannot be read or a file: only a missing folder is reported to the user.
bool folderMissing(const QByteArray& folder);

/// Looks at each of `roots` (off the window's thread: a dead network mount blocks here).
RootTable inspectRoots(const QList<QByteArray>& roots);

/// The folders one search walks from, so that places that overlap list each item once: a
/// folder given again (another spelling, or a link to it) is walked once, and with subfolders
/// a folder inside another place is left to that place's walk. Folders are told apart by
/// where they really are.
class WalkedRoots final {
public:
    /// Starts a search over the roots of `facts`, every folder it may walk from.
    void begin(RootTable facts, bool subfolders);
    /// Whether `root` was missing when inspected (false for a root not inspected).
    bool missing(const QByteArray& root);
    /// Whether a walk from `root` would list nothing new: it was walked already, or it lies
    /// inside another root of the search. When not, it counts as walked from now on.
    bool covered(const QByteArray& root);

private:
    /// The facts of `root`; a root not inspected (a place ticked during the search) counts as
    /// there, unlisted, and where its path says.
    const RootFacts& factsOf(const QByteArray& root);

    RootTable m_facts;
    QSet<QByteArray> m_walked;
    bool m_subfolders = true;
};

/// `roots` without those that another one covers, in their order.
QList<QByteArray> uncoveredRoots(const QList<QByteArray>& roots, bool subfolders);
