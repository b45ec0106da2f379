#pragma once

// What every action test shares: a desktop of the test's own under its private XDG folders
// (a MIME glob list, two recorder programs that append their argument to a log,
// mimeapps.list defaults, no session bus), written once before GIO first reads any of it,
// and the result list as the commands see it.

#include "actions/ItemHost.h"
#include "platform/Prompt.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace Desktop {

inline QByteArray home()
{
    return qgetenv("HOME");
}
inline QByteArray dataHome()
{
    return qgetenv("XDG_DATA_HOME");
}
/// The log of the default recorder (text files, folders, http addresses).
inline QByteArray recorderLog()
{
    return home() + "/launched.log";
}
/// The log of the second program, offered by "Open with".
inline QByteArray otherLog()
{
    return home() + "/other.log";
}
/// A folder for the test's files.
inline QByteArray files()
{
    return home() + "/files";
}

inline void writeFile(const QByteArray& path, const QByteArray& contents)
{
    QDir().mkpath(QFile::decodeName(path.left(path.lastIndexOf('/'))));
    FILE* file = std::fopen(path.constData(), "wb");
    ASSERT_NE(file, nullptr) << path.constData();
    std::fwrite(contents.constData(), 1, size_t(contents.size()), file);
    std::fclose(file);
}

/// The arguments the program writing `log` was started with, in order.
inline QList<QByteArray> launched(const QByteArray& log = recorderLog())
{
    QFile file(QFile::decodeName(log));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> args = file.readAll().split('\0');
    args.removeLast(); // after the last terminator
    return args;
}

/// Waits until `arg` shows in the log (programs start on their own time).
inline bool waitLaunched(const QByteArray& arg, const QByteArray& log = recorderLog())
{
    return QTest::qWaitFor([&] { return launched(log).contains(arg); }, 10000);
}

/// Writes a file `name` in files(); returns its path.
inline QByteArray makeFile(const QByteArray& name, const QByteArray& contents = "text\n")
{
    const QByteArray path = files() + '/' + name;
    writeFile(path, contents);
    return path;
}

inline void clearLogs()
{
    std::remove(recorderLog().constData());
    std::remove(otherLog().constData());
}

inline QByteArray program(const QByteArray& name, const QByteArray& exec, const QByteArray& types)
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec +
           "\nMimeType=" + types + "\n";
}

class Environment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        // Nothing may reach a user's session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + home() + "/no-bus");
        writeFile(dataHome() + "/mime/globs2", "50:text/plain:*.txt\n"
                                               "50:application/x-kfnone:*.kfnone\n"
                                               "50:application/x-kfdoc:*.kfdoc\n");
        const QByteArray recorder = home() + "/bin/record";
        const QByteArray other = home() + "/bin/record-other";
        writeFile(recorder, "#!/bin/sh\nprintf '%s\\0' \"$1\" >> '" + recorderLog() + "'\n");
        writeFile(other, "#!/bin/sh\nprintf '%s\\0' \"$1\" >> '" + otherLog() + "'\n");
        ::chmod(recorder.constData(), 0755);
        ::chmod(other.constData(), 0755);
        const QByteArray apps = dataHome() + "/applications/";
        writeFile(apps + "kf-record.desktop",
                  program("Recorder", recorder + " %f",
                          "text/plain;inode/directory;application/x-kfdoc;"));
        writeFile(apps + "kf-web.desktop",
                  program("Web Recorder", recorder + " %u", "x-scheme-handler/http;"));
        writeFile(apps + "kf-other.desktop",
                  program("Other Recorder", other + " %f", "text/plain;application/x-kfdoc;"));
        writeFile(qgetenv("XDG_CONFIG_HOME") + "/mimeapps.list",
                  "[Default Applications]\ntext/plain=kf-record.desktop\n"
                  "inode/directory=kf-record.desktop\nx-scheme-handler/http=kf-web.desktop\n");
        QDir().mkpath(QFile::decodeName(files()));
    }
    void TearDown() override
    {
        // Qt cannot remove names that are not valid UTF-8; rm works on the bytes.
        QProcess::execute(QStringLiteral("rm"),
                          {QStringLiteral("-rf"), QFile::decodeName(files())});
    }
};

/// Registered once for the whole test program, whichever file includes this first.
inline ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new Environment);

/// The result list: the test sets its rows and reads back what the commands asked of it.
struct FakeHost final : ItemHost {
    QList<QByteArray> selected;
    QByteArray current;
    int rows = 1;
    int button = 1;
    int searches = 0;
    int renames = 0;
    QList<QList<QByteArray>> removed;

    QList<QByteArray> GetSelectedFiles() const override
    {
        return selected.isEmpty() ? QList<QByteArray>{QByteArray()} : selected;
    }
    int listRowCount() const override { return rows; }
    int LastListButton() const override { return button; }
    void setLastListButton(int value) override { button = value; }
    QByteArray currentPath() const override { return current; }
    void searchAgain() override { ++searches; }
    void removeRows(const QList<QByteArray>& paths) override { removed.append(paths); }
    void beginRename() override { ++renames; }
};

} // namespace Desktop
