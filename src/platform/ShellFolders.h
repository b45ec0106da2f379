#pragma once

#include <QString>

/// Folder numbers the search run asks for (the shell's CSIDL values).
namespace Csidl {
constexpr int Personal = 5;
constexpr int Favorites = 6;
constexpr int Recent = 8;
constexpr int SendTo = 9;
constexpr int StartMenu = 11;
constexpr int DesktopDirectory = 16;
constexpr int CommonStartMenu = 22;
constexpr int CommonDesktopDirectory = 25;
constexpr int AppData = 26;
constexpr int LocalAppData = 28;
constexpr int CommonFavorites = 31;
constexpr int InternetCache = 32;
constexpr int CommonAppData = 35;
constexpr int CommonDocuments = 46;
} // namespace Csidl

/// The directory that stands for a special folder number: the first existing directory of
/// its candidates, or "" when there is none or the number is unknown. Reads the environment
/// (HOME, XDG_*) on every call.
QString GetSpecialFolder(int csidl);
