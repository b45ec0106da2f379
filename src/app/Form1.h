#pragma once

#include "actions/ItemHost.h"
#include "app/ControlUpdate.h"
#include "app/Form1Ui.h"
#include "app/FormLayout.h"
#include "app/PresetCommands.h"
#include "app/ScopeCommands.h"
#include "app/SearchRun.h"
#include "app/WindowSettings.h"
#include "results/SortState.h"
#include "shell/HelpWindow.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

class MinTrackSize;
class ItemCommandWiring;
class Prompt;
class SearchEngine;
class SystemTray;

/// The main window: its controls, menus and the wiring between them. The work is done by the
/// classes it holds (the search run and engine, the result model, the scope and preset
/// commands, the settings store); every question goes through the prompt handed in.
class Form1 final : public QMainWindow, private Form1Ui, private SearchRunHost, private ItemHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)
public:
    /// The window, filled from the stored settings; `prompt` must outlive it.
    explicit Form1(Prompt& prompt, QWidget* parent = nullptr);
    ~Form1() override;

    /// True while start-up fills the controls.
    bool IsLoading = false;

    /// The search command (Command1): starts a run or asks it to stop.
    void Command1_Click();
    /// Sorts by a column (1 … 6) as a header click does.
    void ListView1_ColumnClick(int column);
    /// The sort state; set its ApplyingStoredSort before replaying a click.
    SortState& sortState() { return m_sort; }
    /// Chooses the view: 0 Details, 1 List, 2 Large Icons.
    void mnuViewO_Click(int Index);
    /// The file-type choice changed.
    void Combo1_Click();
    /// Whether a search run is active.
    bool searchRunning() const;
    /// The number of file jobs (copy, move, trash, rename) not yet finished.
    int fileJobsRunning() const;
    /// The full paths of the selected rows in list order; one empty path when none.
    QList<QByteArray> GetSelectedFiles() const override;
    /// The smallest width and height in pixels the user may drag the window to: the size it
    /// was given at start-up.
    int MinTrackWidth() const;
    int MinTrackHeight() const;
    /// The notification-area icon; File > "&Minimize to System Tray" hides the window there.
    SystemTray* tray() const { return m_tray.get(); }
    /// Tells the user, once, what start-up found wrong: a damaged settings file, alternate
    /// folders left out beyond the list's limit. Call once the window shows.
    void reportStartUpProblems();
    /// Help > Contents: the manual in its own window on its contents page.
    void mnHelpCnt_Click();
    /// The help window once opened; null before.
    HelpWindow* helpWindow() const { return m_help; }
    /// Help > About: the About box, modal.
    void mnuHelpAbt_Click();
    /// Closes without asking anything, as an ending session needs: a running search is
    /// stopped first and the window closes once it has ended; a failed save of the settings
    /// is written to stderr.
    void closeUnattended();

Q_SIGNALS:
    /// The control update ran (enabled states and the default button were recomputed).
    void controlsUpdated();
    /// The window closed for good (its settings saved as far as they could be).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void connectSignals();
    void connectControlUpdate();
    void loadStartUp();
    bool saveSettings();
    bool saveSettingsOrAsk();
    /// True, after saving the settings and saying so, when a search runs: it must be stopped
    /// before the window closes.
    bool refuseCloseWhileSearching();
    /// Closes the window once the run that was asked to stop has ended, or after
    /// `kStopWaitMs` when it does not end (a folder on a dead network mount).
    void closeWhenStopped();
    void connectCloseWhenStopped();
    void unload();
    void attachMinTrack(const QSize& size);
    void tellDroppedFolders(int dropped);

    // The list: Enter, a double-click (or the desktop's single click) on a row.
    void ListView1_Activated();
    // Menus
    void mnuOptionsShowExt_Click();
    void mnuOptionsIcons_Click();
    void mnuFileSelAll_Click();
    void mnuFileLaunch_Click();
    void showPopup(const QPoint& globalPos);

    void applyLayout();
    void updateControls();
    double twipsPerPixel(int dpi) const;
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;
    void placeControl(QWidget* widget, const TwipRect& rect);

    SearchScope currentScope() const;
    void applyScope(const SearchScope& scope);

    // SearchRunHost
    int altFolderCount() const override;
    AltFolder altFolder(int index) const override;
    bool boxTicked(FolderBox box) const override;
    int fileType() const override;
    QString customPattern() const override;
    bool includeSubfolders() const override;
    QString searchText() const override;
    void setSearchCaption(const QString& caption) override;
    void setPanelText(int panel, const QString& text) override;
    void showCopyrightLine() override;
    void setActivity(bool running) override;
    void setBusy(bool busy) override;
    void clearRows() override;
    void addRows(RowBatches batches) override;
    int rowCount() const override;
    void setHistory(const QStringList& terms) override;
    void runEnding() override;

    // ItemHost
    int listRowCount() const override;
    int LastListButton() const override;
    void setLastListButton(int button) override;
    QByteArray currentPath() const override;
    void searchAgain() override;
    void removeRows(const QList<QByteArray>& paths) override;
    void beginRename() override;

    Prompt& m_prompt;
    std::unique_ptr<SearchEngine> m_engine;
    std::unique_ptr<SearchRun> m_run;
    std::unique_ptr<ScopeCommands> m_scope;
    std::unique_ptr<PresetCommands> m_presets;
    FormGeometry m_geometry = FormLayout::design();
    std::unique_ptr<SystemTray> m_tray;
    std::unique_ptr<MinTrackSize> m_minTrack;
    WindowSettings::NormalGeometry m_normal{*this};
    /// How long after leaving the maximised state the window checks that it left the size too.
    static constexpr int kRestoreCheckMs = 200;
    QPointer<HelpWindow> m_help;
    QString m_startUpNotice; ///< the dropped-folders message, shown once the window shows
    SortState m_sort;
    /// The list's Enter launched rows: the window leaves that key alone.
    bool m_enterLaunched = false;
    bool m_listHasFocus = false;
    bool m_busy = false;
    bool m_destroying = false;
    bool m_holdControlUpdate = false; ///< while many inputs change at once
    bool m_unattended = false;        ///< closing for an ending session: ask nothing
    /// How long a close waits for a run that was asked to stop.
    static constexpr int kStopWaitMs = 3000;
    QTimer m_stopWait;          ///< runs while a close waits for the run's stop
    bool m_stopStalled = false; ///< the run did not stop in time: this close goes ahead
    std::unique_ptr<ItemCommandWiring> m_items; ///< last: goes first, while the controls live
};
