#pragma once

#include "settings/SearchScope.h"

#include <QComboBox>

#include <array>

class QAction;
class QCheckBox;
class QKeyEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QObject;
class QPushButton;
class QWidget;
class ResultList;
class sbStatusBar;

/// The search box `Text1`: an editable combo box with the history. Enter in it is one
/// `enterPressed`, taken here so that it reaches neither the combo's own handling (which
/// would pass it to its line edit a second time) nor the window's default button.
class SearchTextBox final : public QComboBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchTextBox)
public:
    explicit SearchTextBox(QWidget* parent = nullptr);
    ~SearchTextBox() override;

Q_SIGNALS:
    /// Enter or Return was pressed in the box.
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

/// The main window's controls and menus, each named (objectName too) as the program names
/// it, with their captions, accessible names and the frames' inner layout. The window wires
/// them; this only builds them.
struct Form1Ui {
    /// The file-type entry whose pattern is typed into `Text2`.
    static constexpr int CustomFileType = 4;

    /// Builds every control into `window`; `hints` sees the pointer moves over the client
    /// area, the "Search in:" and "Search for:" frames and the alternate-folder list.
    void setupUi(QMainWindow& window, QObject& hints);

    // Controls, named as the program names them.
    QLabel* Label1 = nullptr;
    SearchTextBox* Text1 = nullptr;
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
    QAction* mnuFileLaunch = nullptr;
    QAction* mnuFileOW = nullptr;
    QMenu* mnuFileRecent = nullptr;
    QAction* mnuFileClip = nullptr;
    QAction* mnuFileCopy = nullptr;
    QAction* mnuFileMove = nullptr;
    QAction* mnuFileDelete = nullptr;
    QAction* mnuFileRename = nullptr;
    QAction* mnuFileExplore = nullptr;
    QAction* mnuFileProp = nullptr;
    QAction* mnuFileSelAll = nullptr;
    QAction* mnuFileSysTray = nullptr;
    QAction* mnuFileExit = nullptr;
    QMenu* mnuOptions = nullptr;
    QAction* mnuOptionsSF = nullptr;
    QAction* mnuOptionsMC = nullptr;
    QMenu* mnuView = nullptr;
    std::array<QAction*, 3> mnuViewO{};
    QAction* mnuOptionsShowExt = nullptr;
    QAction* mnuOptionsIcons = nullptr;
    QMenu* mnuhelp = nullptr;
    QAction* mnHelpCnt = nullptr;
    QAction* mnuHelpAbt = nullptr;
    QMenu* mnupop = nullptr;
    QAction* mnuPopLaunch = nullptr;
    QAction* mnuPopOW = nullptr;
    QAction* mnuPopClip = nullptr;
    QAction* mnuPopCopy = nullptr;
    QAction* mnuPopMove = nullptr;
    QAction* mnuPopDelete = nullptr;
    QAction* mnuPopRename = nullptr;
    QAction* mnupopexplore = nullptr;
    QAction* mnuPopProp = nullptr;
    QAction* mnuPopSelAll = nullptr;

private:
    void buildMenus(QMainWindow& window);
    void buildFileItems(QMainWindow& window);
    void buildPopup(QMainWindow& window);
    void buildControls(QMainWindow& window, QObject& hints);
    void buildSearchInFrame(QWidget* client, QObject& hints);
    void buildSearchForFrame(QWidget* client, QObject& hints);
    void buildPresetsFrame(QWidget* client);
    void setAccessibleNames(QMainWindow& window);
};
