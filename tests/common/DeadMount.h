#pragma once

// A folder on a file system whose server never answers, as a network share whose server went
// away: every system call on it blocks until `release`, which then makes them fail. Made in a
// mount namespace of the calling thread's own, so only threads started after it meet the
// mount and nothing of it outlives the test process. Needs root and /dev/fuse.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

class DeadMount final {
public:
    explicit DeadMount(const QString& folder)
        : m_folder(QFile::encodeName(folder))
    {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            fail("no mount namespace of its own");
            return;
        }
        if (!QDir().mkpath(folder)) {
            fail("no folder");
            return;
        }
        m_fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (m_fuse < 0) {
            fail("no /dev/fuse");
            return;
        }
        const QByteArray options =
            "fd=" + QByteArray::number(m_fuse) + ",rootmode=40000,user_id=0,group_id=0";
        if (::mount("dead", m_folder.constData(), "fuse.dead", MS_NOSUID | MS_NODEV,
                    options.constData()) != 0) {
            fail("mount refused");
            return;
        }
        m_mounted = true;
    }
    ~DeadMount() { release(); }
    DeadMount(const DeadMount&) = delete;
    DeadMount& operator=(const DeadMount&) = delete;

    bool mounted() const { return m_mounted; }
    /// What kept the mount from being made.
    QString why() const { return m_why; }
    /// The server gives up: calls waiting on the folder fail, and it is unmounted.
    void release()
    {
        if (m_fuse >= 0)
            ::close(m_fuse);
        m_fuse = -1;
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
        m_mounted = false;
    }

private:
    void fail(const char* what)
    {
        m_why = QString::fromLatin1(what) + u": " + QString::fromLocal8Bit(std::strerror(errno));
        release();
    }

    QByteArray m_folder;
    int m_fuse = -1;
    bool m_mounted = false;
    QString m_why;
};
