// The window's life cycle: start-up from the stored settings, the close requests that save
// them, and the Help menu.
#include "Form1.h"

#include "FrmAbt.h"
#include "WindowSettings.h"
#include "platform/Launcher.h"
#include "platform/Prompt.h"
#include "platform/RegistryHive.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "search/SearchEngine.h"
#include "settings/CRegSettings.h"
#include "settings/Module1.h"
#include "settings/SearchHistory.h"
#include "shell/MinTrackSize.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

#include <utility>

// ---------------------------------------------------------------------------------------
// Start-up and closing

void Form1::loadStartUp()
{
    const CRegSettings store = CRegSettings::forProgram();
    const AppSettings settings =
        LoadAppSettings(store, WindowSettings::currentWindow(*this, *ListView1));
    const QSize design = size();
    const QRect normal = WindowSettings::applyGeometry(*this, settings);
    m_normal.start(normal);
    WindowSettings::applyColumns(*ListView1, settings);

    // The stored sort is replayed so that the list is sorted from the start; no arrow shows
    // until the user clicks a header.
    const AppOptions& options = settings.options;
    m_sort.SortAscending = options.sortAscending;
    m_sort.ApplyingStoredSort = true;
    ListView1_ColumnClick(options.sortedColumn);

    applyScope(settings.scope);
    mnuOptionsShowExt->setChecked(options.showExtensions);
    mnuOptionsSF->setChecked(options.subfolders);
    mnuOptionsMC->setChecked(options.matchCase);
    mnuOptionsIcons->setChecked(options.showIcons);
    ListView1->model()->setShowExtensions(options.showExtensions);
    ListView1->model()->setShowIcons(options.showIcons);
    m_engine->setMatchCase(options.matchCase);
    mnuViewO_Click(options.view);
    m_presets->fill();

    // The size the window starts with is the smallest the user can drag it to.
    attachMinTrack(WindowSettings::minimumSizeAfterStart(*this, normal, design));
    Text1->clear();
    Text1->addItems(SearchHistory::loadForStartUp(store));
    // The history only fills the list: the box itself starts empty, so typing starts afresh.
    Text1->setCurrentIndex(-1);
    Text1->clearEditText();
}

void Form1::attachMinTrack(const QSize& size)
{
    m_minTrack = std::make_unique<MinTrackSize>(this);
    if (const MSubclass::SubclassError error = m_minTrack->attach(); !error.ok()) {
        qWarning("kestrelfind: %s", qPrintable(error.description));
        m_minTrack.reset();
        return;
    }
    const QSize minimum = WindowSettings::minimumTrackSize(*this, size);
    m_minTrack->setMinTrack(minimum.width(), minimum.height());
}

int Form1::MinTrackWidth() const
{
    return m_minTrack ? m_minTrack->MinTrackWidth() : 0;
}

int Form1::MinTrackHeight() const
{
    return m_minTrack ? m_minTrack->MinTrackHeight() : 0;
}

void Form1::unload()
{
    if (m_minTrack)
        (void)m_minTrack->detach();
    m_minTrack.reset();
}

void Form1::reportStartUpProblems()
{
    const QString damage = CRegSettings::takeDamageReport();
    if (!damage.isEmpty())
        m_prompt.MsgBox(damage, MsgStyle::Information, QStringLiteral("Problem"));
    if (!m_startUpNotice.isEmpty())
        m_prompt.MsgBox(std::exchange(m_startUpNotice, QString()), MsgStyle::Information,
                        QStringLiteral("Problem"));
}

void Form1::tellDroppedFolders(int dropped)
{
    if (dropped <= 0)
        return;
    const QString text = QString::number(dropped) +
                         u" stored alternate folders were left out: the list keeps at most " +
                         QString::number(MaxAltFolders) + u" folders.";
    if (IsLoading)
        m_startUpNotice = text; // told once the window shows
    else
        m_prompt.MsgBox(text, MsgStyle::Information, QStringLiteral("Problem"));
}

bool Form1::saveSettings()
{
    AppSettings settings;
    WindowSettings::collectGeometry(*this, m_normal.rect(), settings);
    WindowSettings::collectColumns(*ListView1, settings);
    AppOptions& options = settings.options;
    options.showExtensions = mnuOptionsShowExt->isChecked();
    options.subfolders = mnuOptionsSF->isChecked();
    options.matchCase = mnuOptionsMC->isChecked();
    options.showIcons = mnuOptionsIcons->isChecked();
    options.view = ListView1->viewMode();
    options.sortAscending = m_sort.SortAscending;
    options.sortedColumn = m_sort.SortColumn;
    settings.scope = currentScope();
    CRegSettings store = CRegSettings::forProgram();
    return SaveAppSettings(store, settings);
}

bool Form1::saveSettingsOrAsk()
{
    while (!saveSettings()) {
        const QString file = RegHiveFilePath(HKEY_CURRENT_USER);
        if (m_unattended) {
            qWarning("kestrelfind: the settings could not be saved to %s", qPrintable(file));
            return false;
        }
        // Losing the user's choices without a word is worse than one more question; the
        // reason (a full disk, a read-only folder) tells what to do before Retry.
        const QString reason = CRegSettings::lastWriteError();
        const int answer = m_prompt.MsgBox(
            u"Your settings could not be saved to \"" + file + u"\"." +
                (reason.isEmpty() ? QString() : u"\n\n" + reason) +
                u"\n\nPress Retry to try again, or Cancel to close without saving them.",
            MsgStyle::RetryCancel | MsgStyle::Exclamation, QStringLiteral("Oops!"));
        if (answer != MsgResult::Retry)
            return false;
    }
    return true;
}

bool Form1::refuseCloseWhileSearching()
{
    if (m_stopStalled || (m_run->SearchIdle() && !searchRunning()))
        return false;
    saveSettings(); // kept even though the close is refused
    if (!m_unattended)
        m_prompt.MsgBox(
            QStringLiteral("Please stop the search in progress before closing the program"),
            MsgStyle::Information, QStringLiteral("Problem"));
    return true;
}

void Form1::closeEvent(QCloseEvent* event)
{
    // Stop was asked for already: the window goes as soon as the walk has noticed it.
    if (m_run->state() == SearchRun::State::Stopping && !m_stopStalled) {
        event->ignore();
        closeWhenStopped();
        return;
    }
    if (refuseCloseWhileSearching()) {
        event->ignore();
        return;
    }
    // Closing cancels a copy, move or trashing under way; the user who thinks it will finish
    // must hear of it. A session's end cannot wait for an answer: the work is cancelled,
    // which leaves no partial copy and every source that was not moved yet in its place.
    if (fileJobsRunning() > 0 && !m_unattended) {
        const int answer =
            m_prompt.MsgBox(QStringLiteral("A copy, move or move to the Trash is still in "
                                           "progress. Closing the program cancels it: items not "
                                           "done yet stay where they are.\n\nClose the program "
                                           "anyway?"),
                            MsgStyle::YesNo | MsgStyle::Exclamation | MsgStyle::DefaultButton2,
                            QStringLiteral("Close"));
        // Meanwhile the job may have ended and its refresh question started a search, which
        // refuses a close as at any other time.
        if (answer != MsgResult::Yes || refuseCloseWhileSearching()) {
            event->ignore();
            return;
        }
    }
    saveSettingsOrAsk();
    unload();
    event->accept();
    Q_EMIT closed();
}

void Form1::closeUnattended()
{
    m_unattended = true;
    // A name being typed was never confirmed: a session's end renames nothing.
    ListView1->cancelNameEdit();
    if (!searchRunning()) {
        close();
        return;
    }
    if (!m_run->SearchIdle())
        m_run->command(); // Stop
    closeWhenStopped();
}

void Form1::closeWhenStopped()
{
    if (!m_stopWait.isActive())
        m_stopWait.start(kStopWaitMs);
}

void Form1::connectCloseWhenStopped()
{
    m_stopWait.setSingleShot(true);
    connect(m_run.get(), &SearchRun::stateChanged, this, [this] {
        if (m_stopWait.isActive() && !searchRunning()) {
            m_stopWait.stop();
            close();
        }
    });
    connect(&m_stopWait, &QTimer::timeout, this, [this] {
        // A walk that does not notice the stop is stuck in a system call, and the user who
        // asked to close must not be kept waiting for good: the window goes without it. For
        // this close only: a search started later is refused a close as ever.
        m_stopStalled = searchRunning();
        if (m_stopStalled)
            m_engine->expectStuckWalk();
        close();
        m_stopStalled = false;
    });
}

// ---------------------------------------------------------------------------------------
// The Help menu

void Form1::mnHelpCnt_Click()
{
    if (!m_help) {
        m_help = new HelpWindow(
            QCoreApplication::applicationDirPath(),
            [this](QWidget*, const QString& address) { LaunchFile(m_prompt, address.toUtf8()); },
            this);
    }
    m_help->showContents();
}

void Form1::mnuHelpAbt_Click()
{
    FrmAbt box([this](QWidget*, const QString& address) { LaunchFile(m_prompt, address.toUtf8()); },
               this);
    box.exec();
}
