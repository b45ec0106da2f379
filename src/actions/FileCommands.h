#pragma once

#include "actions/FileOperations.h"
#include "actions/ItemHost.h"
#include "platform/Prompt.h"

#include <QObject>

/// The question after files changed: OK runs the search again, Cancel leaves the list.
class RefreshPrompt final {
public:
    static QString text()
    {
        return QStringLiteral("Search results will now be refreshed to reflect your changes.");
    }
    /// Asks with `style` and `title`; on OK calls host.searchAgain(). Returns the answer.
    static int ask(Prompt& prompt, ItemHost& host, int style,
                   const QString& title = QStringLiteral("Changes Made"));
};

/// Copy to (`mnuFileCopy_Click`) and Move to (`mnuFileMove_Click`): pick a folder starting at
/// the current row, copy or move the selected items there, then offer to search again.
class TransferToCommand final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferToCommand)
public:
    enum class Mode { Copy, Move };
    TransferToCommand(Mode mode, ItemHost& host, Prompt& prompt, FileOperations& ops,
                      QObject* parent = nullptr);

    /// The picker's title for a mode, as the menu command shows it.
    static QString pickerTitle(Mode mode);
    /// Runs the command; returns at once, finished() follows when the job has ended. Does
    /// nothing without a selection or when the picker is cancelled.
    void run();

Q_SIGNALS:
    /// The copy or move ended; the refresh question has been answered.
    void finished(bool aborted);

private:
    Mode m_mode;
    ItemHost& m_host;
    Prompt& m_prompt;
    FileOperations& m_ops;
};

/// Delete (`mnuFileDelete_Click`): after a confirmation naming the count, moves the selected
/// items to the trash and removes the rows of exactly the items that went.
class DeleteCommand final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeleteCommand)
public:
    DeleteCommand(ItemHost& host, Prompt& prompt, FileOperations& ops, QObject* parent = nullptr);

    /// The confirmation's text for these paths.
    static QString confirmation(const QList<QByteArray>& paths);
    /// Runs the command; finished() follows (at once when nothing is selected or declined).
    void run();

Q_SIGNALS:
    void finished(bool aborted);

private:
    ItemHost& m_host;
    Prompt& m_prompt;
    FileOperations& m_ops;
};

/// Rename (`mnuFileRename_Click`) starts the in-place edit; commit() does the rename when the
/// edit ends.
class RenameCommand final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenameCommand)
public:
    RenameCommand(ItemHost& host, Prompt& prompt, FileOperations& ops, QObject* parent = nullptr);

    /// Starts the edit of the current row's name; nothing without a current row.
    void run();
    /// The new name for an edit of the item named `oldName` that ended with `edited`: with
    /// extensions hidden, the part of the old name the list hid (its extension) is kept.
    /// An empty edit gives an empty name, which commit() refuses.
    static QByteArray newName(const QByteArray& oldName, const QString& edited,
                              bool extensionsShown);
    /// Renames `oldPath` to `newName` in the same folder. A name that is empty or blank, "." or
    /// ".." or holds '/' or NUL is refused with a message (aborted). `done` gets the aborted flag
    /// and the item's path now (another name than asked for when the user kept both).
    void commit(const QByteArray& oldPath, const QByteArray& newName,
                std::function<void(bool aborted, const QByteArray& newPath)> done);

    /// Why `name` cannot name a file, or "" when it can.
    static QString invalidNameReason(const QByteArray& name);

private:
    ItemHost& m_host;
    Prompt& m_prompt;
    FileOperations& m_ops;
};

/// Rows dropped onto a folder row: copied, or moved and then "File(s) Moved" asked.
class DropCommand final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DropCommand)
public:
    DropCommand(ItemHost& host, Prompt& prompt, FileOperations& ops, QObject* parent = nullptr);

    /// Copies (move false) or moves `paths` into `folder`; a move then asks "File(s) Moved".
    void drop(const QList<QByteArray>& paths, const QByteArray& folder, bool move);
    /// The drag's target moved the files itself: asks "Changes Made" with the information icon.
    void targetMoved();

Q_SIGNALS:
    void finished(bool aborted);

private:
    ItemHost& m_host;
    Prompt& m_prompt;
    FileOperations& m_ops;
};
