#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>

/// The folders one search walks from, so that places that overlap list each item once: a
/// folder given again (another spelling, or a link to it) is walked once, and with subfolders
/// a folder inside another place is left to that place's walk. Folders are told apart by
/// where they really are.
class WalkedRoots final {
public:
    /// Starts a search over `roots`, every folder it may walk from, in any order.
    void begin(const QList<QByteArray>& roots, bool subfolders);
    /// Whether a walk from `root` would list nothing new: it was walked already, or it lies
    /// inside another root of the search. When not, it counts as walked from now on.
    bool covered(const QByteArray& root);

private:
    QList<QByteArray> m_roots; // where the search's roots really are
    QSet<QByteArray> m_walked;
    bool m_subfolders = true;
};

/// `roots` without those that another one covers, in their order.
QList<QByteArray> uncoveredRoots(const QList<QByteArray>& roots, bool subfolders);
