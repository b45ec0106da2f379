#include "MPrevInst.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Request[] = "activate";
constexpr int ConnectTimeoutMs = 1000;
constexpr int AnswerTimeoutMs = 3000;
constexpr qint64 MaxRequest = 4096;

/// True when `path` is a real folder (not a link) owned by this user that no one else may
/// enter or write to.
bool isPrivateFolder(const QByteArray& path, bool allowGroupRead)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return allowGroupRead ? (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 : (st.st_mode & 077) == 0;
}

/// Holds an exclusive lock on a file while alive; `locked()` false when it could not.
class FileLock final {
public:
    explicit FileLock(const QByteArray& path)
        : m_fd(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600))
    {
        if (m_fd < 0)
            return;
        int rc;
        do {
            rc = ::flock(m_fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // closing releases the lock
    }
    Q_DISABLE_COPY_MOVE(FileLock)
    bool locked() const { return m_fd >= 0; }

private:
    int m_fd;
};

} // namespace

MPrevInst::MPrevInst(QString runtimeFolder, QObject* parent)
    : QObject(parent)
    , m_folder(std::move(runtimeFolder))
{}

MPrevInst::~MPrevInst()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

QString MPrevInst::defaultFolder()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime, true))
        return QFile::decodeName(runtime);
    const QByteArray own =
        QFile::encodeName(QDir::tempPath()) + "/kestrelfind-" + QByteArray::number(::geteuid());
    if (::mkdir(own.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    return isPrivateFolder(own, false) ? QFile::decodeName(own) : QString();
}

QString MPrevInst::socketPath() const
{
    return m_folder.isEmpty() ? QString() : m_folder + QStringLiteral("/kestrelfind.socket");
}

bool MPrevInst::isListening() const
{
    return m_server && m_server->isListening();
}

MPrevInst::Claim MPrevInst::claim()
{
    if (m_folder.isEmpty())
        return Claim::Failed;
    if (isListening())
        return Claim::First;
    const FileLock lock(QFile::encodeName(m_folder + QStringLiteral("/kestrelfind.lock")));
    if (!lock.locked())
        return Claim::Failed;
    return claimLocked();
}

MPrevInst::Claim MPrevInst::claimLocked()
{
    const QString path = socketPath();
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode))
            return Claim::Failed; // not ours to remove
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(ConnectTimeoutMs)) {
            probe.disconnectFromServer();
            return Claim::Another;
        }
        const auto error = probe.error();
        if (error != QLocalSocket::ConnectionRefusedError &&
            error != QLocalSocket::ServerNotFoundError)
            return Claim::Another;        // alive but slow: never take a live copy's place
        QLocalServer::removeServer(path); // left behind by a copy that crashed
    }
    auto* server = new QLocalServer(this);
    if (!server->listen(path)) {
        delete server;
        return Claim::Failed;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &MPrevInst::onNewConnection);
    return Claim::First;
}

bool MPrevInst::ActivatePrevInstance(const QByteArray& activationToken)
{
    if (m_folder.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return false;
    socket.write(QByteArray(Request) + ' ' + activationToken.toBase64() + '\n');
    if (!socket.waitForBytesWritten(ConnectTimeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(AnswerTimeoutMs))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}

void MPrevInst::onNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    }
}

void MPrevInst::onReadyRead(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaxRequest)
            socket->abort();
        return;
    }
    const QList<QByteArray> words = socket->readLine(MaxRequest).trimmed().split(' ');
    if (words.value(0) != Request) {
        socket->disconnectFromServer();
        return;
    }
    socket->write("ok\n");
    socket->flush();
    Q_EMIT activationRequested(QByteArray::fromBase64(words.value(1)));
}
