#include "FileCommands.h"

#include "platform/DisplayText.h"
#include "platform/FileUri.h"
#include "search/PathHelpers.h"

#include <QFile>
#include <QPointer>
#include <QSet>

#include <algorithm>
#include <climits>
#include <utility>

namespace {

QList<QByteArray> withoutEmpty(QList<QByteArray> paths)
{
    paths.removeAll(QByteArray());
    return paths;
}

/// How many bytes the UTF-8 sequence at `at` takes and how many UTF-16 units it decodes to;
/// a byte that starts no valid sequence is one byte shown as one U+FFFD.
std::pair<qsizetype, qsizetype> utf8Step(const QByteArray& bytes, qsizetype at)
{
    const qsizetype length = utf8Length(bytes, at);
    return {std::max<qsizetype>(length, 1), length == 4 ? 2 : 1};
}

/// `edited`, an edit of `shown` as the editor showed it (decoded, on one line), as bytes:
/// the parts before and after what the user changed keep their exact bytes, so that a byte
/// that is not UTF-8 or a line break, shown as a mark, is not written as the mark itself.
QByteArray editedBytes(const QByteArray& shown, const QString& edited)
{
    const QString before = oneLine(QFile::decodeName(shown));
    if (edited == before)
        return shown;
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < edited.size() && before[prefix] == edited[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < edited.size() - prefix &&
           before[before.size() - 1 - suffix] == edited[edited.size() - 1 - suffix])
        ++suffix;
    // Never half a surrogate pair on either side.
    if (prefix > 0 && before[prefix - 1].isHighSurrogate())
        --prefix;
    if (suffix > 0 && before[before.size() - suffix].isLowSurrogate())
        --suffix;
    // The byte offsets where the kept beginning ends and the kept end starts.
    qsizetype head = -1;
    qsizetype tail = -1;
    qsizetype units = 0;
    for (qsizetype at = 0;;) {
        if (units == prefix && head < 0)
            head = at;
        if (units == before.size() - suffix && tail < 0)
            tail = at;
        if (at >= shown.size())
            break;
        const auto [bytes, decoded] = utf8Step(shown, at);
        at += bytes;
        units += decoded;
    }
    const bool mapped = head >= 0 && tail >= 0 &&
                        oneLine(QFile::decodeName(shown.left(head))) == before.left(prefix) &&
                        oneLine(QFile::decodeName(shown.mid(tail))) == before.last(suffix);
    if (!mapped) // the decoder split the bytes otherwise: the edit as typed
        return QFile::encodeName(edited);
    return shown.left(head) +
           QFile::encodeName(edited.mid(prefix, edited.size() - prefix - suffix)) + shown.mid(tail);
}

} // namespace

int RefreshPrompt::ask(Prompt& prompt, ItemHost& host, int style, const QString& title)
{
    const int answer = prompt.MsgBox(text(), style, title);
    if (answer == MsgResult::Ok)
        host.searchAgain();
    return answer;
}

TransferToCommand::TransferToCommand(Mode mode, ItemHost& host, Prompt& prompt, FileOperations& ops,
                                     QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_host(host)
    , m_prompt(prompt)
    , m_ops(ops)
{}

QString TransferToCommand::pickerTitle(Mode mode)
{
    return mode == Mode::Copy ? QStringLiteral("Copy file(s) to...                   ")
                              : QStringLiteral("Move file(s) to...                    ");
}

void TransferToCommand::run()
{
    if (selectedPaths(m_host).isEmpty())
        return;
    const QString chosen =
        m_prompt.BrowseForFolder(pickerTitle(m_mode), QFile::decodeName(m_host.currentPath()));
    if (chosen.isEmpty())
        return;
    const QByteArray destination = AddTrailingBackslash(QFile::encodeName(chosen));
    const QList<QByteArray> files = selectedPaths(m_host);
    QPointer<TransferToCommand> self = this;
    auto done = [self](const FileOpOutcome& outcome) {
        if (!self)
            return;
        // A move asks even when cancelled: part of it may have been done.
        if (self->m_mode == Mode::Move)
            RefreshPrompt::ask(self->m_prompt, self->m_host, MsgStyle::OkCancel);
        else if (!outcome.aborted)
            RefreshPrompt::ask(self->m_prompt, self->m_host,
                               MsgStyle::OkCancel | MsgStyle::Information);
        Q_EMIT self->finished(outcome.aborted);
    };
    if (m_mode == Mode::Copy)
        m_ops.CopyFiles(files, destination, done);
    else
        m_ops.MoveFiles(files, destination, done);
}

DeleteCommand::DeleteCommand(ItemHost& host, Prompt& prompt, FileOperations& ops, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_prompt(prompt)
    , m_ops(ops)
{}

QString DeleteCommand::confirmation(const QList<QByteArray>& paths)
{
    if (paths.size() == 1) {
        const QString name =
            oneLine(QFile::decodeName(paths.first().mid(paths.first().lastIndexOf('/') + 1)));
        return QStringLiteral("Are you sure you want to move \"%1\" to the Trash?").arg(name);
    }
    return QStringLiteral("Are you sure you want to move these %1 items to the Trash?")
        .arg(paths.size());
}

void DeleteCommand::run()
{
    const QList<QByteArray> files = selectedPaths(m_host);
    if (files.isEmpty())
        return;
    if (m_prompt.MsgBox(confirmation(files), MsgStyle::YesNo | MsgStyle::Question,
                        QStringLiteral("Delete")) != MsgResult::Yes) {
        Q_EMIT finished(true);
        return;
    }
    QPointer<DeleteCommand> self = this;
    m_ops.DeleteFiles(files, [self, files](const FileOpOutcome& outcome) {
        if (!self)
            return;
        // Items trashed before a cancel are gone all the same: their rows go too, and so do
        // the rows of items that were gone already (the trash skipped them, as nothing to do).
        QList<QByteArray> gone = outcome.done;
        const QSet<QByteArray> trashed(outcome.done.cbegin(), outcome.done.cend());
        for (const QByteArray& path : files) {
            if (!trashed.contains(path) && !entryExists(path))
                gone.append(path);
        }
        if (!gone.isEmpty())
            self->m_host.removeRows(gone);
        Q_EMIT self->finished(outcome.aborted);
    });
}

RenameCommand::RenameCommand(ItemHost& host, Prompt& prompt, FileOperations& ops, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_prompt(prompt)
    , m_ops(ops)
{}

void RenameCommand::run()
{
    if (!m_host.currentPath().isEmpty())
        m_host.beginRename();
}

QByteArray RenameCommand::newName(const QByteArray& oldName, const QString& edited,
                                  bool extensionsShown)
{
    // The list hides the last extension, and dots at the very end of the name with it.
    qsizetype end = oldName.size();
    bool extension = false;
    for (qsizetype i = oldName.size() - 1; i >= 0 && !extensionsShown && !extension; --i) {
        if (oldName.at(i) != '.')
            continue;
        extension = i + 1 < end;
        end = i;
    }
    const QByteArray typed = editedBytes(oldName.left(end), edited);
    // An emptied edit names nothing: the bare extension would hide the file behind a dot.
    if (typed.trimmed().isEmpty())
        return {};
    return typed + oldName.mid(end);
}

QString RenameCommand::invalidNameReason(const QByteArray& name)
{
    // Only blanks look like no name at all in every list, and blanks before an extension
    // do so while extensions are hidden; both are refused as none.
    const qsizetype dot = name.lastIndexOf('.');
    if (name.trimmed().isEmpty() || (dot > 0 && name.left(dot).trimmed().isEmpty()))
        return QStringLiteral("You must type a file name.");
    if (name == "." || name == "..")
        return u"A file cannot be called \u201c" + QString::fromLatin1(name) + u"\u201d.";
    if (name.contains('/'))
        return QStringLiteral("\u201c/\u201d is not allowed inside file names.");
    if (name.contains('\0'))
        return QStringLiteral("A file name cannot hold a NUL character.");
    if (name.size() > NAME_MAX)
        return QStringLiteral("The name is too long: a file name holds at most %1 bytes.")
            .arg(NAME_MAX);
    return {};
}

void RenameCommand::commit(const QByteArray& oldPath, const QByteArray& newName,
                           std::function<void(bool aborted, const QByteArray& newPath)> done)
{
    const QString reason = invalidNameReason(newName);
    if (!reason.isEmpty() || oldPath.isEmpty()) {
        // Said, not just undone: the edit the user typed would otherwise vanish unexplained.
        if (!reason.isEmpty())
            m_prompt.MsgBox(reason, MsgStyle::OkOnly | MsgStyle::Critical,
                            QStringLiteral("Rename"));
        if (done)
            done(true, oldPath);
        return;
    }
    const qsizetype slash = oldPath.lastIndexOf('/');
    const QByteArray newPath = oldPath.left(slash + 1) + newName;
    m_ops.RenameFile(
        oldPath, newPath, [done = std::move(done), oldPath](const FileOpOutcome& outcome) {
            if (!done)
                return;
            const bool renamed = !outcome.placed.isEmpty() && !outcome.placed.first().isEmpty();
            if (outcome.aborted || !renamed)
                done(true, oldPath);
            else
                done(false, outcome.placed.first());
        });
}

DropCommand::DropCommand(ItemHost& host, Prompt& prompt, FileOperations& ops, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_prompt(prompt)
    , m_ops(ops)
{}

void DropCommand::drop(const QList<QByteArray>& paths, const QByteArray& folder, bool move)
{
    const QList<QByteArray> files = withoutEmpty(paths);
    if (files.isEmpty() || folder.isEmpty())
        return;
    QPointer<DropCommand> self = this;
    auto done = [self, move](const FileOpOutcome& outcome) {
        if (!self)
            return;
        if (move)
            RefreshPrompt::ask(self->m_prompt, self->m_host, MsgStyle::OkCancel,
                               QStringLiteral("File(s) Moved"));
        Q_EMIT self->finished(outcome.aborted);
    };
    if (move)
        m_ops.MoveFiles(files, AddTrailingBackslash(folder), done);
    else
        m_ops.CopyFiles(files, AddTrailingBackslash(folder), done);
}

void DropCommand::targetMoved()
{
    RefreshPrompt::ask(m_prompt, m_host, MsgStyle::OkCancel | MsgStyle::Information);
}
