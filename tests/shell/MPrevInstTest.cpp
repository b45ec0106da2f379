#include "shell/MPrevInst.h"

#include "TempHome.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

/// Leaves a socket file with nobody listening, as a copy that crashed does.
void leaveDeadSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    ASSERT_LT(size_t(bytes.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
}

TEST(MPrevInst, TheSocketGoesWithTheRunningCopyADeadOneIsReplacedAndAFileIsKept)
{
    QTemporaryDir runtime;
    const QString socket = runtime.filePath(QStringLiteral("kestrelfind.socket"));
    {
        MPrevInst first(runtime.path());
        ASSERT_EQ(first.claim(), MPrevInst::Claim::First);
        EXPECT_EQ(first.socketPath(), socket);
        EXPECT_TRUE(QFile::exists(socket));
    }
    EXPECT_FALSE(QFile::exists(socket));

    leaveDeadSocket(socket);
    {
        MPrevInst next(runtime.path());
        EXPECT_EQ(next.claim(), MPrevInst::Claim::First);
        EXPECT_TRUE(next.isListening());
    }

    // A file that is not a socket is left alone; no folder means no check.
    QFile stranger(socket);
    ASSERT_TRUE(stranger.open(QIODevice::WriteOnly));
    stranger.write("keep me");
    stranger.close();
    MPrevInst instance(runtime.path());
    EXPECT_EQ(instance.claim(), MPrevInst::Claim::Failed);
    ASSERT_TRUE(stranger.open(QIODevice::ReadOnly));
    EXPECT_EQ(stranger.readAll(), QByteArray("keep me"));

    MPrevInst nowhere{QString()};
    EXPECT_EQ(nowhere.claim(), MPrevInst::Claim::Failed);
    EXPECT_FALSE(nowhere.ActivatePrevInstance());
    MPrevInst nobody(QTemporaryDir().path());
    EXPECT_FALSE(nobody.ActivatePrevInstance()); // no running copy: nothing answers
}

TEST(MPrevInst, TheFolderIsTheUsersRuntimeFolderOrAPrivateOne)
{
    const TempHome home; // a private XDG_RUNTIME_DIR, put back afterwards
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(home.home()));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    EXPECT_EQ(MPrevInst::defaultFolder(), runtime);

    const QString own = home.path(QStringLiteral("kestrelfind-%1").arg(::geteuid()));
    ::chmod(QFile::encodeName(runtime).constData(), 0777); // anyone could plant a socket
    EXPECT_EQ(MPrevInst::defaultFolder(), own);
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(MPrevInst::defaultFolder(), own);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(own).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::chmod(QFile::encodeName(own).constData(), 0755); // no longer private: not used
    EXPECT_EQ(MPrevInst::defaultFolder(), QString());

    qputenv("TMPDIR", savedTmp);
    if (savedTmp.isNull())
        qunsetenv("TMPDIR");
}

TEST(MPrevInst, TwoCopiesStartedAtOnceLeaveExactlyOne)
{
    for (int round = 0; round < 5; ++round) {
        QTemporaryDir runtime;
        QProcess a, b;
        for (QProcess* p : {&a, &b})
            p->start(QStringLiteral(KF_PREVINST_HELPER), {runtime.path()});
        for (QProcess* p : {&a, &b})
            ASSERT_TRUE(p->waitForFinished(20000)) << "round " << round;
        const QByteArray out = a.readAllStandardOutput() + b.readAllStandardOutput();
        EXPECT_EQ(out.count("first\n"), 1) << "round " << round << ": " << out.constData();
        EXPECT_EQ(out.count("another asked\n"), 1) << "round " << round << ": " << out.constData();
        EXPECT_EQ(out.count("activated from-second\n"), 1) << out.constData();
    }
}

} // namespace
