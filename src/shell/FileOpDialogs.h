#pragma once

#include "FittedDialog.h"
#include "platform/FileOpTypes.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

class QCheckBox;
class QLabel;
class QProgressBar;

/// A file job's progress: what is being done, how far, and Cancel.
class FileProgressDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileProgressDialog)
public:
    /// A dialog titled for `kind`; Cancel (button, Escape or closing) emits cancelRequested.
    FileProgressDialog(FileOpRequest::Kind kind, QWidget* parent);
    /// Shows `progress` (bytes when known, else items).
    void setProgress(const FileOpProgress& progress);

Q_SIGNALS:
    void cancelRequested();

protected:
    void reject() override;

private:
    QLabel* m_item;
    QProgressBar* m_bar;
};

/// "A target exists": Replace / Skip / Keep Both / Cancel, with "Apply to all".
class ConflictDialog final : public FittedDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConflictDialog)
public:
    /// Names both items with their size and date. Escape answers Cancel.
    ConflictDialog(const ConflictQuestion& question, QWidget* parent);

    ConflictAnswer answer() const { return m_answer; }
    bool applyToAll() const;

private:
    void choose(ConflictAnswer answer);

    ConflictAnswer m_answer = ConflictAnswer::Cancel;
    QCheckBox* m_all;
};

/// An item failed: Skip / Retry / Cancel.
class ErrorDialog final : public FittedDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ErrorDialog)
public:
    /// Names the item and says what went wrong. Escape answers Cancel.
    ErrorDialog(const ErrorQuestion& question, QWidget* parent);

    ErrorAnswer answer() const { return m_answer; }

private:
    ErrorAnswer m_answer = ErrorAnswer::Cancel;
};

/// The real user interface of one file job: the progress dialog after half a second, the
/// conflict and error dialogs as window-modal questions that never block the event loop.
class FileOpDialogs final : public QObject, public FileOpUi {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileOpDialogs)
public:
    /// Dialogs over `window` (may be null).
    explicit FileOpDialogs(QWidget* window);
    ~FileOpDialogs() override;

    void started(FileJob& job, const FileOpRequest& request) override;
    void progress(const FileOpProgress& progress) override;
    void askConflict(FileJob& job, const ConflictQuestion& question) override;
    void askError(FileJob& job, const ErrorQuestion& question) override;
    void finished(const FileOpOutcome& outcome) override;

    /// Delay before the progress dialog shows, so quick jobs show nothing.
    static constexpr int kProgressDelayMs = 500;
    /// How long a question waits before it takes the focus (after the window manager's own
    /// hand-over from the question before it).
    static constexpr int kQuestionFocusDelayMs = 150;

private:
    void showProgress();
    /// The window a question belongs to: the progress dialog when it shows, else the window.
    QWidget* questionParent() const;
    /// Shows `dialog` window-modal and hands its answer to `job` by `answer` when it closes,
    /// unless the job is gone by then.
    void openQuestion(QDialog* dialog, FileJob& job, const std::function<void(FileJob&)>& answer);

    QPointer<QWidget> m_window;
    QPointer<FileJob> m_job;
    FileOpRequest::Kind m_kind = FileOpRequest::Kind::Copy;
    FileOpProgress m_latest;
    QTimer m_delay;
    QPointer<FileProgressDialog> m_progress;
    QPointer<QDialog> m_question;
};

/// A file name for display: decoded from its bytes, on one line (see oneLine()).
QString displayFileName(const QByteArray& path);
