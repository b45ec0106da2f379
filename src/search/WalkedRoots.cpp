#include "WalkedRoots.h"

#include "PathHelpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

RootFacts inspect(const QByteArray& root)
{
    RootFacts facts;
    // Only a folder that can be listed covers what is inside it: one that cannot leaves a
    // readable folder inside it to its own walk.
    if (const int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
        facts.listable = true;
        ::close(fd);
    } else {
        facts.missing = folderMissing(root);
    }
    // A missing folder is reported by its walk, under the path given.
    facts.real = resolvedPath(root).value_or(root);
    return facts;
}

bool strictlyInside(const QByteArray& path, const QByteArray& folder)
{
    if (folder == "/")
        return path.size() > 1 && path.startsWith('/');
    return path.size() > folder.size() + 1 && path.startsWith(folder) && path[folder.size()] == '/';
}

} // namespace

bool folderMissing(const QByteArray& folder)
{
    struct stat st;
    return ::stat(folder.constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

RootTable inspectRoots(const QList<QByteArray>& roots)
{
    RootTable table;
    for (const QByteArray& root : roots) {
        if (!table.contains(root))
            table.insert(root, inspect(root));
    }
    return table;
}

void WalkedRoots::begin(RootTable facts, bool subfolders)
{
    m_facts = std::move(facts);
    m_subfolders = subfolders;
    m_walked.clear();
}

const RootFacts& WalkedRoots::factsOf(const QByteArray& root)
{
    auto it = m_facts.find(root);
    if (it == m_facts.end()) {
        // Not inspected (a place ticked during the search): no system call here, which may be
        // the window's thread. It is told apart by its path as given, and its walk tells
        // whether it is there.
        RootFacts unknown;
        unknown.real = root;
        it = m_facts.insert(root, unknown);
    }
    return *it;
}

bool WalkedRoots::missing(const QByteArray& root)
{
    return factsOf(root).missing;
}

bool WalkedRoots::covered(const QByteArray& root)
{
    const QByteArray real = factsOf(root).real;
    if (m_walked.contains(real))
        return true;
    if (m_subfolders) {
        for (const RootFacts& outer : std::as_const(m_facts)) {
            if (outer.listable && strictlyInside(real, outer.real))
                return true;
        }
    }
    m_walked.insert(real);
    return false;
}

QList<QByteArray> uncoveredRoots(const QList<QByteArray>& roots, bool subfolders)
{
    WalkedRoots walked;
    walked.begin(inspectRoots(roots), subfolders);
    QList<QByteArray> kept;
    for (const QByteArray& root : roots) {
        if (!walked.covered(root))
            kept.append(root);
    }
    return kept;
}
