#pragma once

#include "settings/SearchScope.h"

#include <QByteArray>
#include <QList>
#include <QString>

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

/// The folders a run of `scope` walks, in order: the ticked, non-empty alternate folders,
/// then the existing special folders of the ticked boxes (value 1).
QList<QByteArray> searchFolders(const SearchScope& scope);
