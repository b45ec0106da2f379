#include "FileWork.h"

#include "DisplayText.h"
#include "FileCopy.h"
#include "FileTime.h"
#include "FileUri.h"

#include <QRandomGenerator>
#include <QSet>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString why(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray trimmed(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

QByteArray baseName(const QByteArray& path)
{
    const QByteArray clean = trimmed(path);
    return clean.mid(clean.lastIndexOf('/') + 1);
}

QByteArray parentOf(const QByteArray& path)
{
    const QByteArray clean = trimmed(path);
    const qsizetype slash = clean.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : clean.left(slash);
}

/// Whether `path` lies inside one of the folders `folders` (trimmed paths).
bool insideAny(const QByteArray& path, const QSet<QByteArray>& folders)
{
    for (QByteArray up = parentOf(path); up.size() > 1 && up != "."; up = parentOf(up)) {
        if (folders.contains(up))
            return true;
    }
    return false;
}

/// The sources, those inside none of the others first: a folder is copied, moved or trashed
/// whole, with whatever of it was chosen beside it, rather than taken apart item by item.
QList<QByteArray> outermostFirst(const QList<QByteArray>& sources)
{
    QSet<QByteArray> all;
    for (const QByteArray& source : sources)
        all.insert(trimmed(source));
    QList<QByteArray> outer;
    QList<QByteArray> inner;
    for (const QByteArray& source : sources)
        (insideAny(trimmed(source), all) ? inner : outer).append(source);
    return outer + inner;
}

QByteArray join(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? QByteArray(folder + name) : QByteArray(folder + '/' + name);
}

/// A hidden name beside `target` for writing a replacement before it takes the target's place.
QByteArray tempBeside(const QByteArray& target)
{
    return join(parentOf(target),
                ".kf-" + baseName(target).left(40) + '-' +
                    QByteArray::number(QRandomGenerator::global()->generate64(), 36));
}

/// Whether there is an entry at `path` itself, also telling what is there.
bool exists(const QByteArray& path, struct stat& st)
{
    return ::lstat(path.constData(), &st) == 0;
}

/// Whether two folder paths name the same folder (also through links).
bool sameFolder(const QByteArray& a, const QByteArray& b)
{
    struct stat x {};
    struct stat y {};
    return ::stat(a.constData(), &x) == 0 && ::stat(b.constData(), &y) == 0 &&
           x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

FileFacts factsOf(const QByteArray& path, const struct stat& st)
{
    FileFacts facts;
    facts.path = path;
    facts.size = st.st_size;
    facts.modified = QDateTime::fromMSecsSinceEpoch(msecsOf(st.st_mtim));
    facts.isFolder = S_ISDIR(st.st_mode);
    return facts;
}

/// The names in a folder (without . and ..); 0 or errno.
int listFolder(const QByteArray& path, QList<QByteArray>& names)
{
    names.clear();
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return errno;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
            names.append(QByteArray(name));
    }
    const int rc = errno;
    ::closedir(dir);
    return rc;
}

void setTimes(const QByteArray& path, const struct stat& st, int flags)
{
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, path.constData(), times, flags);
}

} // namespace

FileWork::FileWork(WorkContext& context)
    : m_context(context)
{}

FileOpOutcome FileWork::run(const FileOpRequest& request)
{
    FileOpOutcome outcome;
    m_copying = request.kind == FileOpRequest::Kind::Copy;
    if (m_copying) {
        for (const QByteArray& source : request.sources)
            countTree(source, true);
    } else {
        m_progress.itemsTotal = int(request.sources.size());
        // A move to another file system copies: its bytes make the progress, as a copy's do,
        // or a large file would show no progress until it is all there.
        struct stat into {};
        if (request.kind == FileOpRequest::Kind::Move &&
            ::stat(request.destination.constData(), &into) == 0) {
            for (const QByteArray& source : request.sources) {
                struct stat st {};
                if (::lstat(source.constData(), &st) == 0 && st.st_dev != into.st_dev)
                    countTree(source, false);
            }
        }
    }
    m_context.progress(m_progress);
    const bool whole = request.kind != FileOpRequest::Kind::Rename;
    QSet<QByteArray> doneWhole; // what was copied, moved or trashed, with all it held
    const QList<QByteArray> sources = whole ? outermostFirst(request.sources) : request.sources;
    for (const QByteArray& source : sources) {
        if (stopped())
            break;
        Step step = Step::Skipped;
        m_placed.clear();
        // An item inside a folder already done went with it: done, not missing, and never
        // taken out of its folder to the destination on its own.
        if (whole && insideAny(trimmed(source), doneWhole)) {
            itemDone(source, true);
            outcome.done.append(source);
            outcome.placed.append(m_placed);
            continue;
        }
        switch (request.kind) {
        case FileOpRequest::Kind::Copy:
            step = transferTop(source, request.destination, false);
            break;
        case FileOpRequest::Kind::Move:
            step = transferTop(source, request.destination, true);
            break;
        case FileOpRequest::Kind::Delete:
            step = trashOne(source);
            break;
        case FileOpRequest::Kind::Rename:
            step = renameOne(source, request.destination);
            break;
        }
        if (step == Step::Done && whole)
            doneWhole.insert(trimmed(source));
        if (step == Step::Done) {
            outcome.done.append(source);
            outcome.placed.append(m_placed);
        }
    }
    outcome.aborted = stopped();
    outcome.skipped = m_skipped;
    return outcome;
}

bool FileWork::stopped()
{
    if (m_context.cancelled())
        m_aborted = true;
    return m_aborted;
}

FileWork::Step FileWork::failed(const QByteArray& path, const QString& message, bool canRetry)
{
    if (stopped())
        return Step::Cancelled;
    switch (m_context.askError({path, message, canRetry})) {
    case ErrorAnswer::Retry:
        if (canRetry)
            return Step::Retry;
        [[fallthrough]];
    case ErrorAnswer::Skip:
        ++m_skipped;
        return stopped() ? Step::Cancelled : Step::Skipped;
    case ErrorAnswer::Cancel:
        break;
    }
    m_aborted = true;
    return Step::Cancelled;
}

FileWork::Step FileWork::statItem(const QByteArray& path, struct stat& st, const QString& verb)
{
    for (;;) {
        if (::lstat(path.constData(), &st) == 0)
            return Step::Done;
        const Step step = failed(path, verb + QStringLiteral(": ") + why(errno));
        if (step != Step::Retry)
            return step;
    }
}

void FileWork::countTree(const QByteArray& path, bool items)
{
    // Counting a large tree, or one on a slow disk, takes long: a Cancel ends it too.
    if (m_context.cancelled())
        return;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return;
    if (items)
        ++m_progress.itemsTotal;
    if (S_ISREG(st.st_mode))
        m_progress.bytesTotal += st.st_size;
    QList<QByteArray> names;
    if (S_ISDIR(st.st_mode) && listFolder(path, names) == 0) {
        for (const QByteArray& name : names)
            countTree(join(path, name), items);
    }
}

void FileWork::itemDone(const QByteArray& path, bool topLevel)
{
    if (m_copying || topLevel)
        ++m_progress.itemsDone;
    m_progress.currentPath = path;
    m_context.progress(m_progress);
}

FileWork::Step FileWork::transferTop(const QByteArray& source, const QByteArray& folder, bool move)
{
    const QString verb = move ? QStringLiteral("Cannot move") : QStringLiteral("Cannot copy");
    struct stat st {};
    Step step = statItem(source, st, verb);
    if (step != Step::Done)
        return step;
    for (struct stat dest{}; ::stat(folder.constData(), &dest) != 0 || !S_ISDIR(dest.st_mode);) {
        const int error = errno ? errno : ENOTDIR;
        step =
            failed(folder, QStringLiteral("The destination folder cannot be used: ") + why(error));
        if (step != Step::Retry)
            return step;
        errno = 0;
    }
    if (S_ISDIR(st.st_mode) && isInside(folder, source)) {
        step = failed(source, QStringLiteral("A folder cannot be copied or moved into itself."),
                      false);
        return step == Step::Cancelled ? step : Step::Skipped;
    }
    QByteArray target = join(folder, baseName(source));
    bool replace = false;
    struct stat existing {};
    if (exists(target, existing)) {
        if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) {
            if (move && sameFolder(parentOf(source), folder)) { // already where it should go
                m_placed = target;
                itemDone(source, true);
                return Step::Done;
            }
            if (move) { // another link to the same file: moving it would do nothing
                step = failed(source,
                              QStringLiteral("The destination already holds this same file, "
                                             "under another link to it."),
                              false);
                return step == Step::Cancelled ? step : Step::Skipped;
            }
            target = freeName(folder, baseName(source), S_ISDIR(st.st_mode));
        } else if ((step = resolveConflict(source, st, target, replace)) != Step::Done) {
            return step;
        }
    }
    m_placed = target;
    if (!move)
        return copyItem(source, st, target, replace);
    step = moveItem(source, st, target, replace);
    itemDone(source, true);
    return step;
}

FileWork::Step FileWork::resolveConflict(const QByteArray& source, const struct stat& sourceStat,
                                         QByteArray& target, bool& replace)
{
    struct stat existing {};
    if (!exists(target, existing))
        return Step::Done;
    const ConflictAnswer answer =
        m_context.askConflict({factsOf(source, sourceStat), factsOf(target, existing)});
    if (stopped())
        return Step::Cancelled;
    switch (answer) {
    case ConflictAnswer::Cancel:
        m_aborted = true;
        return Step::Cancelled;
    case ConflictAnswer::Skip:
        return Step::Skipped;
    case ConflictAnswer::KeepBoth:
        target = freeName(parentOf(target), baseName(target), S_ISDIR(sourceStat.st_mode));
        return Step::Done;
    case ConflictAnswer::Replace:
        break;
    }
    if (S_ISDIR(sourceStat.st_mode) != S_ISDIR(existing.st_mode)) {
        const Step step =
            failed(target, QStringLiteral("A file and a folder cannot replace each other."), false);
        return step == Step::Cancelled ? step : Step::Skipped;
    }
    replace = true;
    return Step::Done;
}

FileWork::Step FileWork::moveItem(const QByteArray& source, const struct stat& st,
                                  const QByteArray& target, bool replace, const QString& verb)
{
    for (;;) {
        const unsigned flags = replace ? 0 : RENAME_NOREPLACE;
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), flags) == 0)
            return Step::Done;
        int error = errno;
        // A file system without RENAME_NOREPLACE: the target was checked just before.
        if (struct stat taken{}; error == EINVAL && !replace && !exists(target, taken)) {
            if (::rename(source.constData(), target.constData()) == 0)
                return Step::Done;
            error = errno;
        }
        if (error == EXDEV)
            return moveAcross(source, st, target, replace);
        if (replace && S_ISDIR(st.st_mode) && (error == ENOTEMPTY || error == EEXIST))
            return mergeFolder(source, target);
        // The item shown is the source: when the destination is what refused, say so.
        const QByteArray into = parentOf(target);
        const bool atTarget = (error == EACCES || error == EPERM || error == EROFS) &&
                              into != parentOf(source) &&
                              ::faccessat(AT_FDCWD, into.constData(), W_OK, AT_EACCESS) != 0;
        const QString where =
            atTarget ? QString(u" into \"" + oneLine(QString::fromUtf8(into)) + u'"') : QString();
        const Step step = failed(source, verb + where + u": " + why(error));
        if (step != Step::Retry)
            return step;
    }
}

FileWork::Step FileWork::transferChildren(const QByteArray& source, const QByteArray& target,
                                          bool move, bool checkConflicts, bool& whole)
{
    QList<QByteArray> names;
    for (int error; (error = listFolder(source, names)) != 0;) {
        const Step step = failed(source, QStringLiteral("Cannot read the folder: ") + why(error));
        if (step != Step::Retry)
            return step;
    }
    whole = true;
    for (const QByteArray& name : names) {
        const QByteArray child = join(source, name);
        QByteArray childTarget = join(target, name);
        struct stat st {};
        bool replace = false;
        Step step = statItem(child, st,
                             move ? QStringLiteral("Cannot move") : QStringLiteral("Cannot copy"));
        if (step == Step::Done && checkConflicts)
            step = resolveConflict(child, st, childTarget, replace);
        if (step == Step::Done) {
            step = move ? moveItem(child, st, childTarget, replace)
                        : copyItem(child, st, childTarget, replace);
        }
        if (step == Step::Cancelled)
            return step;
        whole = whole && step == Step::Done;
    }
    return Step::Done;
}

FileWork::Step FileWork::mergeFolder(const QByteArray& source, const QByteArray& target)
{
    bool whole = true;
    if (const Step step = transferChildren(source, target, true, true, whole); step != Step::Done)
        return step;
    if (!whole)
        return Step::Skipped;
    for (;;) {
        if (::rmdir(source.constData()) == 0)
            return Step::Done;
        const Step step =
            failed(source, QStringLiteral("Cannot remove the moved folder: ") + why(errno));
        if (step != Step::Retry)
            return step;
    }
}

FileWork::Step FileWork::copyItem(const QByteArray& source, const struct stat& st,
                                  const QByteArray& target, bool replace)
{
    if (stopped())
        return Step::Cancelled;
    if (S_ISREG(st.st_mode))
        return copyFile(source, target, replace);
    if (S_ISDIR(st.st_mode))
        return copyFolder(source, st, target, replace);
    if (S_ISLNK(st.st_mode))
        return copyLink(source, st, target, replace);
    // Pipes, sockets and devices are never opened: reading one could hang or never end.
    const Step step = failed(source,
                             QStringLiteral("This is a special file (a pipe, socket or "
                                            "device), which is not copied."),
                             false);
    return step == Step::Cancelled ? step : Step::Skipped;
}

FileWork::Step FileWork::copyFile(const QByteArray& source, const QByteArray& target, bool replace)
{
    for (;;) {
        bool atTarget = false;
        const int error = copyFileOnce(source, target, replace, atTarget);
        if (error == 0) {
            itemDone(source);
            return Step::Done;
        }
        if (error == ECANCELED || stopped()) {
            m_aborted = true;
            return Step::Cancelled;
        }
        // The item shown is the source: a refusal of the destination says so.
        QString message =
            atTarget ? QString(u"Cannot copy into \"" +
                               oneLine(QString::fromUtf8(parentOf(target))) + u"\": " + why(error))
                     : QString(u"Cannot copy: " + why(error));
        if (error == ENOSPC || error == EDQUOT)
            message += QStringLiteral(". The incomplete copy was removed.");
        const Step step = failed(source, message);
        if (step != Step::Retry)
            return step;
    }
}

int FileWork::copyFileOnce(const QByteArray& source, const QByteArray& target, bool replace,
                           bool& atTarget)
{
    m_progress.currentPath = source; // a long copy names its file while it runs
    const int in = ::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (in < 0)
        return errno;
    struct stat now {};
    if (::fstat(in, &now) != 0 || !S_ISREG(now.st_mode)) { // changed since it was listed
        ::close(in);
        return EINVAL;
    }
    // A replacement is written beside the target first, so a failed copy keeps the old file.
    const QByteArray written = replace ? tempBeside(target) : target;
    const int out = ::open(written.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           FileCopy::createMode(now));
    if (out < 0) {
        const int error = errno;
        ::close(in);
        atTarget = true;
        return error;
    }
    const qint64 base = m_progress.bytesDone;
    int error = FileCopy::copyData(in, out, now.st_size, [&](qint64 copied) {
        m_progress.bytesDone = base + copied;
        m_context.progress(m_progress);
        return !m_context.cancelled();
    });
    if (error == 0)
        error = FileCopy::copyAttributes(out, now);
    if (error == 0) {
        rememberCopied(now);
        if (!replace)
            rememberMade(written);
    }
    if (::close(out) != 0 && error == 0)
        error = errno;
    ::close(in);
    if (error == 0 && replace && ::rename(written.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(written.constData());
        m_progress.bytesDone = base;
    }
    return error;
}

FileWork::Step FileWork::copyLink(const QByteArray& source, const struct stat& st,
                                  const QByteArray& target, bool replace)
{
    for (;;) {
        QByteArray text(PATH_MAX, '\0');
        const ssize_t length = ::readlink(source.constData(), text.data(), size_t(text.size()));
        int error = length < 0 ? errno : 0;
        if (error == 0) {
            text.truncate(length);
            const QByteArray written = replace ? tempBeside(target) : target;
            if (::symlink(text.constData(), written.constData()) != 0) {
                error = errno;
            } else {
                setTimes(written, st, AT_SYMLINK_NOFOLLOW);
                if (replace && ::rename(written.constData(), target.constData()) != 0) {
                    error = errno;
                    ::unlink(written.constData());
                } else {
                    rememberCopied(st);
                    if (!replace)
                        rememberMade(written);
                }
            }
        }
        if (error == 0) {
            itemDone(source);
            return Step::Done;
        }
        const Step step = failed(source, QStringLiteral("Cannot copy the link: ") + why(error));
        if (step != Step::Retry)
            return step;
    }
}

FileWork::Step FileWork::makeFolder(const QByteArray& target)
{
    for (;;) {
        if (::mkdir(target.constData(), 0700) == 0) {
            rememberMade(target);
            return Step::Done;
        }
        const Step step = failed(target, QStringLiteral("Cannot make the folder: ") + why(errno));
        if (step != Step::Retry)
            return step;
    }
}

FileWork::Step FileWork::copyFolder(const QByteArray& source, const struct stat& st,
                                    const QByteArray& target, bool exists)
{
    Step step = exists ? Step::Done : makeFolder(target);
    if (step != Step::Done)
        return step;
    bool whole = true;
    step = transferChildren(source, target, false, exists, whole);
    // Made private while it fills; it takes the source's mode even when the copy stopped
    // short, so that what was copied is not left hidden from its other users.
    if (!exists)
        ::chmod(target.constData(), st.st_mode & 07777);
    if (step != Step::Done)
        return step;
    setTimes(target, st, 0);
    itemDone(source);
    if (whole)
        rememberCopied(st);
    return whole ? Step::Done : Step::Skipped;
}

FileWork::Step FileWork::moveAcross(const QByteArray& source, const struct stat& st,
                                    const QByteArray& target, bool replace)
{
    m_copied.clear();
    m_made.clear();
    m_recording = true;
    Step step = copyItem(source, st, target, replace);
    m_recording = false;
    // A move cancelled half-way leaves the original whole: a part of it at the destination
    // would look moved, and invite the original's deletion.
    if (step == Step::Cancelled)
        removeMade();
    if (step == Step::Done)
        step = syncCopy(source, target);
    if (step == Step::Done)
        step = removeCopied(source, st.st_dev);
    m_copied.clear();
    m_made.clear();
    return step;
}

FileWork::Step FileWork::syncCopy(const QByteArray& source, const QByteArray& target)
{
    // The two file systems write in their own time: a power cut between the copy and the
    // removal could otherwise leave neither.
    for (;;) {
        const int folder = ::open(parentOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const int rc = folder < 0 ? -1 : ::syncfs(folder);
        const int error = errno;
        if (folder >= 0)
            ::close(folder);
        if (rc == 0)
            return Step::Done;
        const Step step = failed(source, QStringLiteral("Copied, but the copy cannot be written "
                                                        "to the disk, so the original was kept: ") +
                                             why(error));
        if (step != Step::Retry)
            return step;
    }
}

FileWork::CopiedState FileWork::copiedState(const struct stat& st)
{
    // A folder counts by itself: what it holds is checked item by item.
    if (S_ISDIR(st.st_mode))
        return {0, 0, 0};
    return {st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

void FileWork::rememberCopied(const struct stat& st)
{
    if (m_recording)
        m_copied[{st.st_dev, st.st_ino}] = copiedState(st);
}

void FileWork::rememberMade(const QByteArray& path)
{
    struct stat st {};
    if (m_recording && ::lstat(path.constData(), &st) == 0)
        m_made.push_back({path, {st.st_dev, st.st_ino}});
}

void FileWork::removeMade()
{
    // Newest first, so that a folder is empty when its turn comes; only what is still the
    // item this job made, and a folder only once nothing else came into it.
    for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) {
        struct stat st {};
        if (::lstat(made->first.constData(), &st) != 0 ||
            std::make_pair(st.st_dev, st.st_ino) != made->second)
            continue;
        if (S_ISDIR(st.st_mode))
            ::rmdir(made->first.constData());
        else
            ::unlink(made->first.constData());
    }
    m_made.clear();
}

FileWork::Step FileWork::removeCopied(const QByteArray& path, dev_t device)
{
    // A cancel now leaves the whole copy and what is left of the original, both usable.
    if (stopped())
        return Step::Cancelled;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return errno == ENOENT ? Step::Done : failed(path, why(errno), false);
    // Only what was copied as it is now goes: a file written to or made while its folder was
    // copied has no whole copy, and a file system mounted inside was never the move's.
    if (st.st_dev != device) {
        return failed(path,
                      QStringLiteral("Copied, but another file system is mounted here: it was "
                                     "left in place with all it holds."),
                      false);
    }
    const auto copied = m_copied.find({st.st_dev, st.st_ino});
    if (copied == m_copied.end() || copied->second != copiedState(st)) {
        return failed(path,
                      QStringLiteral("Not moved: it appeared or changed while it was being "
                                     "copied, so it was left in place."),
                      false);
    }
    const bool folder = S_ISDIR(st.st_mode);
    bool whole = true;
    QList<QByteArray> names;
    if (folder && listFolder(path, names) == 0) {
        for (const QByteArray& name : names) {
            const Step step = removeCopied(join(path, name), device);
            if (step == Step::Cancelled)
                return step;
            whole = whole && step == Step::Done;
        }
    }
    if (!whole)
        return Step::Skipped;
    for (;;) {
        const int rc = folder ? ::rmdir(path.constData()) : ::unlink(path.constData());
        if (rc == 0)
            return Step::Done;
        const Step step = failed(
            path, QStringLiteral("Copied, but the original cannot be removed: ") + why(errno));
        if (step != Step::Retry)
            return step;
    }
}

FileWork::Step FileWork::trashOne(const QByteArray& path)
{
    for (;;) {
        const Trash::Result result = m_trash.moveToTrash(path);
        if (result) {
            itemDone(path, true);
            return Step::Done;
        }
        const Step step =
            failed(path, QStringLiteral("Cannot move to the trash: ") + result.message);
        if (step != Step::Retry)
            return step;
    }
}

FileWork::Step FileWork::renameOne(const QByteArray& source, QByteArray target)
{
    struct stat st {};
    Step step = statItem(source, st, QStringLiteral("Cannot rename"));
    if (step != Step::Done)
        return step;
    m_placed = target;
    if (trimmed(source) == trimmed(target))
        return Step::Done;
    bool replace = false;
    struct stat existing {};
    const bool sameItem =
        exists(target, existing) && existing.st_dev == st.st_dev && existing.st_ino == st.st_ino;
    if (!sameItem && (step = resolveConflict(source, st, target, replace)) != Step::Done)
        return step;
    m_placed = target;
    step = moveItem(source, st, target, replace, QStringLiteral("Cannot rename"));
    itemDone(source, true);
    return step;
}

QByteArray FileWork::freeName(const QByteArray& folder, const QByteArray& name, bool isFolder)
{
    // A folder's name has no extension; a compressed archive's is both parts (".tar.gz").
    qsizetype dot = isFolder ? -1 : name.lastIndexOf('.');
    if (const qsizetype tar = name.toLower().lastIndexOf(".tar.");
        dot > 0 && tar > 0 && tar + 4 == dot && name.size() - dot <= 5)
        dot = tar;
    const QByteArray stem = dot > 0 ? name.left(dot) : name;
    const QByteArray extension = dot > 0 ? name.mid(dot) : QByteArray();
    for (int n = 2;; ++n) {
        const QByteArray candidate =
            join(folder, stem + " (" + QByteArray::number(n) + ')' + extension);
        // A name that cannot be looked at is taken as free: what is made there reports why.
        if (struct stat taken{}; !exists(candidate, taken))
            return candidate;
    }
}

bool FileWork::isInside(const QByteArray& folder, const QByteArray& tree)
{
    auto resolved = [](const QByteArray& path) {
        char buffer[PATH_MAX];
        return ::realpath(path.constData(), buffer) ? QByteArray(buffer) : trimmed(path);
    };
    const QByteArray inner = resolved(folder);
    const QByteArray outer = resolved(tree);
    return inner == outer || inner.startsWith(outer == "/" ? outer : outer + '/');
}
