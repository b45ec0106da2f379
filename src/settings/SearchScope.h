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

    friend bool operator==(const SearchScope&, const SearchScope&) = default;
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
/// stored defaults for anything missing and safe values for anything out of range.
SearchScope loadScope(const CRegSettings& store, const QString& prefix);
/// Writes a scope under `prefix` in the stored order (the old "Alt Folders" section is
/// removed first, so no stale entries survive); true when every write succeeded.
bool saveScope(CRegSettings& store, const QString& prefix, const SearchScope& scope);
