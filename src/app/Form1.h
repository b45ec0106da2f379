#pragma once

#include "app/ControlUpdate.h"
#include "app/FormLayout.h"
#include "app/SearchRun.h"
#include "results/SortState.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class ResultList;
class SearchEngine;
class sbStatusBar;

/// The main window: its controls, menus and commands. The work is done by the plain classes
/// it holds (the search run and engine, the result model, the settings store, presets); the
/// window wires them to its controls.
class Form1 final : public QMainWindow, private SearchRunHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Form1)
public:
    explicit Form1(QWidget* parent = nullptr);
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
    /// The full paths of the selected rows in list order; one empty path when none.
    QList<QByteArray> GetSelectedFiles() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void buildSearchInFrame();
    void buildSearchForFrame();
    void buildPresetsFrame();
    void setAccessibleNames();
    void connectSignals();
    void loadStartUp();
    void saveSettings();

    // Scope commands
    void Command2_Click();
    void Command5_Click();
    void Command3_Click();
    void Command4_Click();
    // Presets
    void Command7_Click();
    void Command8_Click();
    void Command6_Click();
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
    void addAltFolder(const AltFolder& folder);

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
    void addRows(ResultRows rows) override;
    int rowCount() const override;
    void setHistory(const QStringList& terms) override;
    void runEnding() override;

    // Controls, named as the program names them.
    QLabel* Label1 = nullptr;
    QComboBox* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    ResultList* ListView1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QCheckBox*, FolderBoxCount> m_boxes{};
    QLabel* lblAlt = nullptr;
    QListWidget* text3 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QComboBox* Combo1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Text2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QComboBox* Combo2 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command6 = nullptr;
    sbStatusBar* m_statusBar = nullptr; ///< objectName "sbStatusBar"

    QMenu* mnuFile = nullptr;
    QAction* mnuFileSelAll = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuOptions = nullptr;
    QAction* mnuOptionsSF = nullptr;
    QAction* mnuOptionsMC = nullptr;
    QMenu* mnuView = nullptr;
    std::array<QAction*, 3> mnuViewO{};
    QAction* mnuOptionsShowExt = nullptr;
    QAction* mnuOptionsIcons = nullptr;
    QMenu* mnupop = nullptr;
    QAction* mnuPopSelAll = nullptr;

    std::unique_ptr<SearchEngine> m_engine;
    std::unique_ptr<SearchRun> m_run;
    FormGeometry m_geometry = FormLayout::design();
    QString m_lastPresetName;
    SortState m_sort;
    bool m_listHasFocus = false;
    bool m_busy = false;
    bool m_destroying = false;
};
