#include "WalkedRoots.h"

#include "PathHelpers.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

/// Where `path` really is; the path itself when that cannot be told (a missing folder is
/// reported by its walk).
QByteArray realPath(const QByteArray& path)
{
    return resolvedPath(path).value_or(path);
}

bool strictlyInside(const QByteArray& path, const QByteArray& folder)
{
    if (folder == "/")
        return path.size() > 1 && path.startsWith('/');
    return path.size() > folder.size() + 1 && path.startsWith(folder) && path[folder.size()] == '/';
}

} // namespace

void WalkedRoots::begin(const QList<QByteArray>& roots, bool subfolders)
{
    m_subfolders = subfolders;
    m_walked.clear();
    m_roots.clear();
    for (const QByteArray& root : roots) {
        // Only a folder that can be listed covers what is inside it: one that cannot leaves
        // a readable folder inside it to its own walk.
        const int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            continue;
        ::close(fd);
        m_roots.append(realPath(root));
    }
}

bool WalkedRoots::covered(const QByteArray& root)
{
    const QByteArray real = realPath(root);
    if (m_walked.contains(real))
        return true;
    if (m_subfolders) {
        for (const QByteArray& outer : m_roots) {
            if (strictlyInside(real, outer))
                return true;
        }
    }
    m_walked.insert(real);
    return false;
}

QList<QByteArray> uncoveredRoots(const QList<QByteArray>& roots, bool subfolders)
{
    WalkedRoots walked;
    walked.begin(roots, subfolders);
    QList<QByteArray> kept;
    for (const QByteArray& root : roots) {
        if (!walked.covered(root))
            kept.append(root);
    }
    return kept;
}
