#pragma once

#include <QByteArray>

/// `kestrelfind` with no arguments of its own: the window. What is refused before it shows,
/// with an error message and exit status 2, so that a script or a mistyped option never waits
/// on a window, and a start without a display does not abort.
namespace WindowCommand {

/// The error when there is no display to show the window on: no platform chosen, no Wayland
/// compositor answering at WAYLAND_DISPLAY, and no X display (or one that does not answer) at
/// DISPLAY. Empty when there may be one.
QByteArray missingDisplay(int argc, char** argv);
/// The error for what is left once QApplication has taken out its own options: the program
/// takes no files and no other options; empty when nothing is left.
QByteArray leftOverArguments(int argc, char** argv);
/// Writes `error` as the program's errors go and returns the exit status for it.
int refuse(const QByteArray& error);

} // namespace WindowCommand
