#include "WindowCommand.h"

#include "search/CommandLineFind.h"

#include <QtGlobal>

#include <cstdio>

#include <cstring>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace WindowCommand {

namespace {

bool platformChosen(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    // Qt takes its options with one dash or two.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-platform" || arg == "--platform" || arg.startsWith("-platform=") ||
            arg.startsWith("--platform="))
            return true;
    }
    return false;
}

// Qt's X platform aborts the process (a core dump, not a message) when it cannot connect, so
// the connection is tried first. The library is the one that platform loads anyway; taken at
// run time, the program does not need its headers to build. When it cannot be loaded, the
// answer is left to Qt.
bool xDisplayAnswers(const QByteArray& display)
{
    void* xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!xcb)
        return true;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool answers = true;
    if (connect && hasError && disconnect) {
        void* connection = connect(display.constData(), nullptr);
        answers = hasError(connection) == 0;
        disconnect(connection); // also frees a connection that failed
    }
    dlclose(xcb);
    return answers;
}

/// Whether a Wayland compositor listens where WAYLAND_DISPLAY says: a name left behind by a
/// session that ended would otherwise reach Qt, which aborts too.
bool waylandAnswers(const QByteArray& name)
{
    const QByteArray path =
        name.startsWith('/') ? name : qgetenv("XDG_RUNTIME_DIR").append('/').append(name);
    sockaddr_un address{};
    if (size_t(path.size()) >= sizeof address.sun_path)
        return true; // not a path a socket can have: left to Qt
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return true;
    const bool answers =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answers;
}

} // namespace

QByteArray missingDisplay(int argc, char** argv)
{
    if (platformChosen(argc, argv))
        return {};
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if (!wayland.isEmpty() && waylandAnswers(wayland))
        return {};
    const QByteArray display = qgetenv("DISPLAY");
    QByteArray error;
    if (!display.isEmpty()) {
        if (xDisplayAnswers(display))
            return {};
        error.append("cannot open the display '").append(display).append("' (DISPLAY)");
    } else if (wayland.isEmpty()) {
        error.append("there is no display to show the window on (DISPLAY and WAYLAND_DISPLAY "
                     "are not set)");
    } else {
        error
            .append("there is no display to show the window on (no Wayland compositor answers "
                    "at WAYLAND_DISPLAY '")
            .append(wayland)
            .append("', and DISPLAY is not set)");
    }
    return error.append("; the finder without a window is 'kestrelfind --find TEXT'");
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
    // The error quotes an argument or $DISPLAY: its control characters would drive the
    // terminal.
    std::fprintf(stderr, "kestrelfind: %s\nTry 'kestrelfind --help'.\n",
                 CommandLineFind::escapeColumn(error).constData());
    return 2;
}

} // namespace WindowCommand
