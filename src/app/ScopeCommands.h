#pragma once

#include "settings/SearchScope.h"

#include <QList>
#include <QtGlobal>

#include <array>

class Prompt;
class QCheckBox;
class QListWidget;
class QListWidgetItem;

/// The commands of the "Search in:" frame over its controls: the eight folder boxes and the
/// alternate-folder list `text3`. Questions go through the prompt handed in.
class ScopeCommands final {
public:
    using Boxes = std::array<QCheckBox*, FolderBoxCount>;

    /// Commands over `altFolders` and `boxes`; all must outlive this object.
    ScopeCommands(Prompt& prompt, QListWidget& altFolders, const Boxes& boxes);
    Q_DISABLE_COPY_MOVE(ScopeCommands)

    /// Add folder (`Command2`): the folder picker at the highlighted entry; a path already
    /// listed (exact, case-sensitive) brings "Already There" and changes nothing; otherwise
    /// the path is appended unticked. A list already holding MaxAltFolders entries is told
    /// so ("Too Many Folders") and left as it is. True when a folder was added.
    bool addFolder();
    /// Remove folder (`Command5`): removes the highlighted entry; nothing without one.
    void removeFolder();
    /// Select All (`Command3`): every box and entry ticked; the first entry highlighted.
    void selectAll();
    /// Select None (`Command4`): every box and entry unticked; the highlight stays.
    void selectNone();

    /// The boxes' values: 1 ticked, 2 grey, 0 not ticked.
    std::array<int, FolderBoxCount> boxValues() const;
    /// Sets the boxes from stored values (2 shows a grey tick, anything else but 1 none).
    void setBoxValues(const std::array<int, FolderBoxCount>& values);
    /// The listed folders in order.
    QList<AltFolder> altFolders() const;
    /// Replaces the list by `folders` in one pass (linear in their number) and highlights
    /// the first entry when there is one.
    void setAltFolders(const QList<AltFolder>& folders);

    /// The list entry that shows `folder`: its path, tooltip and tick.
    static QListWidgetItem* makeItem(const AltFolder& folder);

private:
    void setAll(bool ticked);

    Prompt& m_prompt;
    QListWidget& m_list;
    Boxes m_boxes;
};
