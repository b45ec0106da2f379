#pragma once

/// `kestrelfind --find TEXT [FOLDER…]`, `--help`, `--version`: answered without a window.
namespace FindCommand {

/// Whether the command line asks for the command-line finder (it holds `--find`, `--help`
/// or `--version`, in any place).
bool wanted(int argc, char** argv);
/// Runs it; returns the exit status (0 found, 1 nothing found, 2 error).
int run(int argc, char** argv);

} // namespace FindCommand
