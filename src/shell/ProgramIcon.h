#pragma once

#include <QIcon>

/// The program's own icon: the installed theme's "kestrelfind" icon, else the copy built
/// into the program (scalable and 16 to 256 pixels).
namespace ProgramIcon {

/// The icon name in the hicolor theme and in the desktop entry.
inline constexpr char Name[] = "kestrelfind";

/// The program's icon; never null.
QIcon icon();

} // namespace ProgramIcon
