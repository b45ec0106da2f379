#pragma once

#include "results/RowPacer.h"
#include "search/ResultRow.h"
#include "search/SearchPlaces.h"
#include "search/SearchRequest.h"
#include "search/WalkedRoots.h"
#include "settings/SearchScope.h"

#include <QObject>
#include <QString>
#include <QStringList>

class Prompt;
class SearchEngine;

/// What a search run reads from and shows in the window. The run reads the scope as it
/// reaches each folder, so a box ticked during a run still counts for the folders to come.
class SearchRunHost {
public:
    virtual ~SearchRunHost() = default;

    virtual int altFolderCount() const = 0;
    virtual AltFolder altFolder(int index) const = 0;
    virtual bool boxTicked(FolderBox box) const = 0;
    /// Selected file type, -1 when none is selected.
    virtual int fileType() const = 0;
    virtual QString customPattern() const = 0;
    virtual bool includeSubfolders() const = 0;
    virtual QString searchText() const = 0;

    virtual void setSearchCaption(const QString& caption) = 0;
    virtual void setPanelText(int panel, const QString& text) = 0;
    /// Panel 1 shows its resting text, the copyright line.
    virtual void showCopyrightLine() = 0;
    virtual void setActivity(bool running) = 0;
    virtual void setBusy(bool busy) = 0;
    virtual void clearRows() = 0;
    virtual void addRows(RowBatches batches) = 0;
    virtual int rowCount() const = 0;
    /// The history list changed: show these terms and put the first back into the box.
    virtual void setHistory(const QStringList& terms) = 0;
    /// End of a run: highlight the first alternate folder, keep a Date sort in time order,
    /// repaint and beep.
    virtual void runEnding() = 0;
};

/// The search command: one run at a time, from the window's thread. The walk itself runs on
/// the engine's worker; this object sequences the folders, keeps the status bar informed and
/// does the end-of-run steps.
class SearchRun final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchRun)
public:
    /// A run over `host`'s scope with `engine`; a missing alternate folder is reported through
    /// `prompt`. All three must outlive the run.
    SearchRun(SearchRunHost& host, SearchEngine& engine, Prompt& prompt, QObject* parent = nullptr);
    ~SearchRun() override;

    /// Where a run stands: Idle (none), Running, or Stopping (Stop was asked for; its walks
    /// end at their next entry and the run then winds down).
    enum class State { Idle, Running, Stopping };

    /// The count panel's text for `rows` rows.
    static QString countText(int rows);

    /// Starts a run, or asks the running one to stop (the caption decides, as the button shows).
    void command();
    /// The run's state.
    State state() const { return m_state; }
    /// True while a run is active (also while it is stopping).
    bool running() const { return m_state != State::Idle; }
    /// True while no run walks or once Stop was asked for; false while a run walks.
    bool SearchIdle() const { return m_state != State::Running; }

Q_SIGNALS:
    /// The run state changed (started, stopping, ended).
    void stateChanged();

private:
    enum class Phase { Idle, AltFolders, SpecialFolders };

    void start();
    void advance();
    bool startNextAltFolder();
    bool startNextSpecialFolder();
    void onPlacesInspected(const PlaceFacts& facts);
    void onRowsFound();
    void showRows(RowBatches batches);
    void onWalkFinished(bool topMissing);
    /// The "Invalid Folder" box for the alternate folder `path`.
    void tellMissing(const QString& path);
    void finish();
    void walkNext(const QByteArray& folder);
    /// The folder of a special-folder number, as looked up when the run began.
    QString specialFolder(int csidl) const;

    SearchRunHost& m_host;
    SearchEngine& m_engine;
    Prompt& m_prompt;
    SearchRequest m_request;
    WalkedRoots m_roots; // so that places that overlap list each item once
    State m_state = State::Idle;
    Phase m_phase = Phase::Idle;
    bool m_inspecting = false;            ///< the run waits to learn about its folders
    QHash<int, QString> m_specialFolders; ///< the ticked boxes' folders when the run began
    bool m_walking = false;
    QString m_walkingAlt; ///< the alternate folder being walked; empty for a special folder
    int m_nextAlt = 0;
    int m_nextBox = 0;    ///< index in the run order of the special-folder boxes
    int m_nextFolder = 0; ///< index of the next folder of that box
    /// The list merges and repaints at most every 100 ms during a walk, all rows at its end.
    RowPacer m_pacer{[this](RowBatches batches) {
        showRows(std::move(batches));
    }};
};
