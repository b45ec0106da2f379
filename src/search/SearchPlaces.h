#pragma once

#include "WalkedRoots.h"
#include "settings/SearchScope.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

/// One special-folder box in the order a run searches it, with its folder numbers in order.
struct SpecialFolderBox {
    FolderBox box;
    QString caption; ///< "Desktop", "Start Menu Programs", …
    std::vector<int> csidls;
};

/// The boxes in the order a run searches them (not their order on screen): Desktop, Start
/// Menu Programs, My Documents, Recent Documents, Favorites, Send To, Application Data,
/// Internet Cache.
const std::vector<SpecialFolderBox>& specialFolderRunOrder();

/// The folders a run walks, in order: the ticked, non-empty `altFolders`, then the existing
/// special folders of the boxes `ticked` says are ticked; each of those boxes' folders, by
/// number, also goes into `specialFolders` when given ("" for none).
QList<QByteArray> searchFolders(const QList<AltFolder>& altFolders,
                                const std::function<bool(FolderBox)>& ticked,
                                QHash<int, QString>* specialFolders = nullptr);
/// What a run learns of its places before it walks; the looking takes system calls, which
/// block for as long as a file system does not answer, so it is done off the window's thread.
struct PlaceFacts {
    RootTable roots;                    ///< every folder the run may walk from
    QHash<int, QString> specialFolders; ///< the ticked boxes' folders by number ("" for none)
};
/// Looks up the special folders of the boxes `ticked` says are ticked and inspects every
/// folder the run may walk from.
PlaceFacts inspectPlaces(const QList<AltFolder>& altFolders,
                         const std::function<bool(FolderBox)>& ticked);
/// The folders a run of `scope` walks: its boxes count as ticked at value 1 only.
QList<QByteArray> searchFolders(const SearchScope& scope);
