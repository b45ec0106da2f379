#pragma once

class CRegSettings;

/// The window's options kept between runs: the menu ticks and the view in section
/// "Options", the sort in "Window Settings".
struct AppOptions {
    bool showExtensions = false;
    bool subfolders = true;
    bool matchCase = false;
    bool showIcons = true;
    int view = 0; ///< 0 Details, 1 List, 2 Large Icons
    bool sortAscending = true;
    int sortedColumn = 1; ///< 1 … 6

    friend bool operator==(const AppOptions&, const AppOptions&) = default;
};

/// Reads the options; anything missing, not a number or out of range keeps its default.
AppOptions loadAppOptions(const CRegSettings& store);
/// Writes the options; true when every write succeeded.
bool saveAppOptions(CRegSettings& store, const AppOptions& options);
/// Writes only "Sort Order" and "Sorted Column"; true when both writes succeeded.
bool saveSortState(CRegSettings& store, const AppOptions& options);
/// Writes only the four menu ticks and "View"; true when every write succeeded.
bool saveOptionTicks(CRegSettings& store, const AppOptions& options);
