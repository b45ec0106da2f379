#pragma once

#include <QList>
#include <QString>

#include <array>

class CRegSettings;

/// The eight special-folder boxes, in their on-screen and stored order.
enum class FolderBox {
    Desktop,           // chkDT
    StartMenuPrograms, // chkSMP
    Favorites,         // chkFav
    MyDocuments,       // chkMD
    SendTo,            // chkST
    AppData,           // chkAD
    InternetCache,     // chkIC
    RecentDocs,        // chkRD
};
constexpr int FolderBoxCount = 8;
/// The most alternate folders a stored scope yields; a longer stored list is cut there.
constexpr int MaxAltFolders = 1000;

/// One alternate folder: its path as the picker returned it and whether it is searched.
struct AltFolder {
    QString path;
    bool ticked = false;
    friend bool operator==(const AltFolder&, const AltFolder&) = default;
};

/// What a search covers: the boxes, the file-type choice with its custom pattern and the
/// alternate folders. The window's stored scope and every preset hold one.
struct SearchScope {
    /// Check-box values (1 ticked, 0 not; 2 is a grey tick) indexed by FolderBox.
    std::array<int, FolderBoxCount> boxes{1, 1, 1, 0, 0, 0, 0, 1};
    int fileType = 0; ///< index of the file-type choice, 0 … 4
    QString customFilter = QStringLiteral("*.gif");
    QList<AltFolder> altFolders{AltFolder{}}; ///< first start: one empty, unticked entry
    /// How many stored alternate folders loading left out beyond MaxAltFolders, so that the
    /// window can say so. A note about the load, not part of the scope: == ignores it.
    int droppedAltFolders = 0;

    friend bool operator==(const SearchScope& a, const SearchScope& b)
    {
        return a.boxes == b.boxes && a.fileType == b.fileType && a.customFilter == b.customFilter &&
               a.altFolders == b.altFolders;
    }
};

/// The stored key name of a box ("Desktop", "Start Menu Programs", … "Recent Docs").
QString folderBoxKey(FolderBox box);

/// Decodes a stored alternate folder: a trailing "|0" or "|1" is dropped; the entry is
/// ticked exactly when the stored text's last character is "1".
AltFolder decodeAltFolder(const QString& stored);
/// Encodes an alternate folder as its path + "|1" or "|0".
QString encodeAltFolder(const AltFolder& folder);

/// Reads a scope from the sections "Search Folders", "Search Filter" and "Alt Folders"
/// below `prefix` ("" for the window's own, "Presets\<name>\" for a preset), with the
/// stored defaults for anything missing and safe values for anything out of range. The
/// alternate folders are the stored "Folder" + i values with i below "Number", in index
/// order, gaps closed, at most MaxAltFolders (the rest counted in droppedAltFolders); with
/// none stored and "Number" at least 1, the one empty entry of a first start.
SearchScope loadScope(const CRegSettings& store, const QString& prefix);
/// Writes a scope under `prefix` in the stored order (the old "Alt Folders" section is
/// removed first, so no stale entries survive); true when every write succeeded.
bool saveScope(CRegSettings& store, const QString& prefix, const SearchScope& scope);
