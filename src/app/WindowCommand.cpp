#include "WindowCommand.h"

#include <QtGlobal>

#include <cstdio>

namespace WindowCommand {

QByteArray missingDisplay(int argc, char** argv)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return {};
    }
    // Qt takes its options with one dash or two.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-platform" || arg == "--platform" || arg.startsWith("-platform=") ||
            arg.startsWith("--platform="))
            return {};
    }
    return "there is no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not "
           "set); the finder without a window is 'kestrelfind --find TEXT'";
}

QByteArray leftOverArguments(int argc, char** argv)
{
    if (argc < 2)
        return {};
    QByteArray error("unknown argument '");
    error.append(argv[1]).append('\'');
    return error;
}

int refuse(const QByteArray& error)
{
    std::fprintf(stderr, "kestrelfind: %s\nTry 'kestrelfind --help'.\n", error.constData());
    return 2;
}

} // namespace WindowCommand
