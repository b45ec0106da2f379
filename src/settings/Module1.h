#pragma once

// The main window's share of the settings file: everything read once at start-up and
// written at every close request, as one plain value. The window collects its state into
// an AppSettings to save it and applies a loaded one; nothing here touches a widget.

#include "AppOptions.h"
#include "SearchScope.h"

#include <QRect>
#include <QStringList>

#include <array>

class CRegSettings;

/// The result list's column count: Name, Size, File Type, Date, Location, URL.
constexpr int kListColumnCount = 6;

/// Window states as stored in "WinState".
enum class WinState { Normal = 0, Minimized = 1, Maximized = 2 };

/// The window and list values that stand in for missing or unusable stored ones: what the
/// window shows before the settings are applied. Geometry in twips.
struct CurrentWindow {
    WinState state = WinState::Normal;
    int width = 0;  ///< outer width, twips
    int height = 0; ///< outer height, twips
    QRect screen;   ///< the primary screen, twips: the default position centres on it
    std::array<int, kListColumnCount> columnWidths{};                    ///< twips, column 1 … 6
    std::array<int, kListColumnCount> columnPositions{1, 2, 3, 4, 5, 6}; ///< 1-based
};

/// Everything `LoadAppSettings` reads and `SaveAppSettings` writes.
struct AppSettings {
    /// Normal or maximised after loading (a stored minimised state opens normal). To save, the
    /// state the window comes back in: maximised when it was maximised before it was
    /// minimised or hidden; Minimized is written as Normal.
    WinState state = WinState::Normal;
    /// The window's normal-state outer place and size in twips (saved whatever the state).
    /// For a stored minimised or maximised state loading gives the defaults here (current
    /// size, centred on the primary screen), not the stored ones.
    QRect geometry;
    std::array<int, kListColumnCount> columnWidths{}; ///< twips, column 1 … 6
    /// Display position (1-based, left to right) of column 1 … 6; always a permutation of
    /// 1 … 6 after loading.
    std::array<int, kListColumnCount> columnPositions{1, 2, 3, 4, 5, 6};
    AppOptions options;  ///< menu ticks, view, SortAscending and the stored SortColumn
    SearchScope scope;   ///< boxes, file type, custom filter, alternate folders
    QStringList presets; ///< preset names in the store's enumeration order (load only)

    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

/// The largest column width taken from the file, in twips; anything beyond is damage and
/// gives the default.
constexpr int kMaxStoredColumnTwips = 100000;
/// The largest window size taken from the file, in twips: a window may span a wide desk of
/// screens, which the window's placement then fits to one (as for a window narrower or lower
/// than 1440 twips, anything beyond is damage and gives the default).
constexpr int kMaxStoredWindowTwips = 1000000;

/// Reads "Window Settings", "Search Folders", "Search Filter", "Alt Folders", "Options" and
/// lists the presets. Every key missing, not a number or out of range gives its default from
/// `current`; column positions come back as a permutation of 1 … 6.
AppSettings LoadAppSettings(const CRegSettings& store, const CurrentWindow& current);

/// Writes every key of the window's sections in their order, "Alt Folders" rewritten from
/// scratch, as one write of the settings file. `settings.presets` is not written (presets
/// are stored as they change). True only when the file was written; on false the old file is
/// left as it was and the caller must tell the user.
bool SaveAppSettings(CRegSettings& store, const AppSettings& settings);

/// Makes `stored` (display positions of column 1 … 6, any values) a permutation of 1 … 6:
/// valid positions not taken by an earlier column are kept; each other column gets its
/// entry in `current` when that is still free, else the lowest free position.
std::array<int, kListColumnCount>
repairColumnPositions(const std::array<int, kListColumnCount>& stored,
                      const std::array<int, kListColumnCount>& current);

/// The columns (1-based) from left to right for display positions (repaired first as by
/// repairColumnPositions, so any input gives a permutation). Moving
/// each into its slot in this order yields exactly `positions`, whatever the header's
/// current order.
std::array<int, kListColumnCount>
columnsInDisplayOrder(const std::array<int, kListColumnCount>& positions);
