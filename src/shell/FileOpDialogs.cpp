#include "FileOpDialogs.h"

#include "BreakableText.h"
#include "PropertiesDialog.h"
#include "platform/DisplayText.h"
#include "platform/FileJob.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString titleFor(FileOpRequest::Kind kind)
{
    switch (kind) {
    case FileOpRequest::Kind::Copy:
        return QStringLiteral("Copying");
    case FileOpRequest::Kind::Move:
        return QStringLiteral("Moving");
    case FileOpRequest::Kind::Delete:
        return QStringLiteral("Moving to the Trash");
    case FileOpRequest::Kind::Rename:
        return QStringLiteral("Renaming");
    }
    return {};
}

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText); // names are never read as markup
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setBreakableText(label, text);
    return label;
}

QString describe(const QString& role, const FileFacts& facts)
{
    const QLocale locale;
    const QString size =
        facts.isFolder ? QStringLiteral("folder") : PropertiesDialog::sizeText(facts.size);
    return role + QStringLiteral(": ") + displayFileName(facts.path) + u'\n' + size +
           QStringLiteral(", modified ") + locale.toString(facts.modified, QLocale::ShortFormat);
}

QPushButton* addButton(QDialogButtonBox* box, const QString& caption, const QString& name,
                       QDialogButtonBox::ButtonRole role)
{
    QPushButton* button = box->addButton(caption, role);
    button->setObjectName(name);
    QString accessible = caption;
    button->setAccessibleName(accessible.remove(u'&'));
    return button;
}

} // namespace

QString displayFileName(const QByteArray& path)
{
    return oneLine(QFile::decodeName(path));
}

FileProgressDialog::FileProgressDialog(FileOpRequest::Kind kind, QWidget* parent)
    : QDialog(parent)
    , m_item(plainLabel(QString(), this))
    , m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("FileProgressDialog"));
    setWindowTitle(titleFor(kind));
    setAccessibleName(titleFor(kind));
    m_item->setAccessibleName(QStringLiteral("Current item"));
    m_bar->setAccessibleName(QStringLiteral("Progress"));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel = addButton(buttons, QStringLiteral("Cancel"), QStringLiteral("cancel"),
                                    QDialogButtonBox::RejectRole);
    cancel->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &FileProgressDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_item);
    layout->addWidget(m_bar);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

void FileProgressDialog::setProgress(const FileOpProgress& progress)
{
    const QString item = displayFileName(progress.currentPath);
    setBreakableText(m_item, item);
    m_item->setAccessibleName(QStringLiteral("Current item"));
    m_item->setAccessibleDescription(item);
    const bool bytes = progress.bytesTotal > 0;
    const qint64 total = bytes ? progress.bytesTotal : progress.itemsTotal;
    const qint64 done = bytes ? progress.bytesDone : progress.itemsDone;
    m_bar->setRange(0, 1000);
    m_bar->setValue(total > 0 ? int(qMin<qint64>(1000, done * 1000 / total)) : 0);
}

void FileProgressDialog::reject()
{
    Q_EMIT cancelRequested(); // the dialog closes when the job has stopped
}

ConflictDialog::ConflictDialog(const ConflictQuestion& question, QWidget* parent)
    : FittedDialog(parent)
    , m_all(new QCheckBox(QStringLiteral("&Apply to all"), this))
{
    setObjectName(QStringLiteral("ConflictDialog"));
    setWindowTitle(QStringLiteral("Item Already Exists"));
    m_all->setObjectName(QStringLiteral("applyToAll"));
    m_all->setAccessibleName(QStringLiteral("Apply to all"));
    const QString text = QStringLiteral("The destination already holds an item of this name.\n\n") +
                         describe(QStringLiteral("Existing"), question.target) +
                         QStringLiteral("\n\n") + describe(QStringLiteral("New"), question.source);
    QLabel* label = plainLabel(text, this);
    setAccessibleDescription(text);
    auto* buttons = new QDialogButtonBox(this);
    // A folder onto a folder is merged, and what the destination alone holds stays: the
    // button says so. A file and a folder cannot replace each other: no button offers it.
    const bool folders = question.source.isFolder && question.target.isFolder;
    const bool sameKind = question.source.isFolder == question.target.isFolder;
    const struct {
        QString caption, name;
        ConflictAnswer answer;
    } choices[] = {
        {folders ? QStringLiteral("&Merge") : QStringLiteral("&Replace"), QStringLiteral("replace"),
         ConflictAnswer::Replace},
        {QStringLiteral("&Skip"), QStringLiteral("skip"), ConflictAnswer::Skip},
        {QStringLiteral("&Keep Both"), QStringLiteral("keepBoth"), ConflictAnswer::KeepBoth},
        {QStringLiteral("Cancel"), QStringLiteral("cancel"), ConflictAnswer::Cancel}};
    for (const auto& choice : choices) {
        if (!sameKind && choice.answer == ConflictAnswer::Replace)
            continue;
        QPushButton* button =
            addButton(buttons, choice.caption, choice.name,
                      choice.answer == ConflictAnswer::Cancel ? QDialogButtonBox::RejectRole
                                                              : QDialogButtonBox::ActionRole);
        const ConflictAnswer answer = choice.answer;
        connect(button, &QPushButton::clicked, this, [this, answer] { choose(answer); });
    }
    // Skipping is the safe default for Enter: nothing is overwritten.
    buttons->findChild<QPushButton*>(QStringLiteral("skip"))->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_all);
    layout->addWidget(buttons);
}

bool ConflictDialog::applyToAll() const
{
    return m_all->isChecked();
}

void ConflictDialog::choose(ConflictAnswer answer)
{
    m_answer = answer;
    if (answer == ConflictAnswer::Cancel)
        reject();
    else
        accept();
}

ErrorDialog::ErrorDialog(const ErrorQuestion& question, QWidget* parent)
    : FittedDialog(parent)
{
    setObjectName(QStringLiteral("ErrorDialog"));
    setWindowTitle(QStringLiteral("Problem"));
    const QString text = displayFileName(question.path) + QStringLiteral("\n\n") + question.message;
    setAccessibleDescription(text);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* skip = addButton(buttons, QStringLiteral("&Skip"), QStringLiteral("skip"),
                                  QDialogButtonBox::ActionRole);
    connect(skip, &QPushButton::clicked, this, [this] {
        m_answer = ErrorAnswer::Skip;
        accept();
    });
    if (question.canRetry) {
        QPushButton* retry = addButton(buttons, QStringLiteral("&Retry"), QStringLiteral("retry"),
                                       QDialogButtonBox::ActionRole);
        connect(retry, &QPushButton::clicked, this, [this] {
            m_answer = ErrorAnswer::Retry;
            accept();
        });
    }
    QPushButton* cancel = addButton(buttons, QStringLiteral("Cancel"), QStringLiteral("cancel"),
                                    QDialogButtonBox::RejectRole);
    connect(cancel, &QPushButton::clicked, this, &ErrorDialog::reject);
    skip->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(plainLabel(text, this));
    layout->addWidget(buttons);
}

FileOpDialogs::FileOpDialogs(QWidget* window)
    : m_window(window)
{
    m_delay.setSingleShot(true);
    m_delay.setInterval(kProgressDelayMs);
    connect(&m_delay, &QTimer::timeout, this, &FileOpDialogs::showProgress);
}

FileOpDialogs::~FileOpDialogs()
{
    delete m_question;
    delete m_progress;
}

void FileOpDialogs::started(FileJob& job, const FileOpRequest& request)
{
    m_job = &job;
    m_kind = request.kind;
    m_delay.start();
}

void FileOpDialogs::progress(const FileOpProgress& progress)
{
    m_latest = progress;
    if (m_progress)
        m_progress->setProgress(progress);
}

void FileOpDialogs::showProgress()
{
    // While a question waits, the progress would only come between the user and it (and
    // could not be used, as the question blocks it); it shows once the question is answered.
    if (m_progress || !m_job || (m_question && m_question->isVisible()))
        return;
    m_progress = new FileProgressDialog(m_kind, m_window);
    m_progress->setAttribute(Qt::WA_DeleteOnClose);
    m_progress->setProgress(m_latest);
    connect(m_progress, &FileProgressDialog::cancelRequested, this, [this] {
        if (m_job)
            m_job->cancel();
    });
    m_progress->show();
}

QWidget* FileOpDialogs::questionParent() const
{
    // Over the progress when it shows: a window manager keeps a dialog above its parent, so
    // a click on the progress cannot bury the question the job waits for.
    return m_progress ? static_cast<QWidget*>(m_progress) : m_window.data();
}

void FileOpDialogs::askConflict(FileJob& job, const ConflictQuestion& question)
{
    auto* dialog = new ConflictDialog(question, questionParent());
    openQuestion(dialog, job, [dialog](FileJob& target) {
        target.answerConflict(dialog->answer(), dialog->applyToAll());
    });
}

void FileOpDialogs::askError(FileJob& job, const ErrorQuestion& question)
{
    auto* dialog = new ErrorDialog(question, questionParent());
    openQuestion(dialog, job, [dialog](FileJob& target) { target.answerError(dialog->answer()); });
}

void FileOpDialogs::openQuestion(QDialog* dialog, FileJob& job,
                                 const std::function<void(FileJob&)>& answer)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal); // the window waits; other windows do not
    QPointer<FileJob> target = &job;
    connect(dialog, &QDialog::finished, this, [this, target, answer] {
        if (target)
            answer(*target);
        // The progress held back while the question waited shows now, if it is due.
        if (m_job && !m_delay.isActive())
            showProgress();
    });
    m_question = dialog;
    dialog->open();
    // A question right after another opens while the window manager hands the focus back from
    // the first one, to the window the question blocks: once that is settled it asks for the
    // focus itself, or the keys would go to a window that cannot take them.
    QTimer::singleShot(kQuestionFocusDelayMs, dialog, [dialog] {
        dialog->raise();
        dialog->activateWindow();
    });
}

void FileOpDialogs::finished(const FileOpOutcome& outcome)
{
    Q_UNUSED(outcome);
    m_delay.stop();
    m_job = nullptr;
    if (m_question)
        m_question->close();
    // Not close(): that asks the dialog to reject, which only requests a cancel.
    if (m_progress)
        m_progress->accept();
}
