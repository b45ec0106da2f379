#pragma once

// One running copy of the program per user. The running copy listens on a local socket in
// the user's runtime folder; a second copy finds it there, asks it to come forward and ends.
// A lock file makes the check and the listening one step, so that two copies started at the
// same moment leave exactly one running; a socket left by a crashed copy is removed.

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class MPrevInst final : public QObject {
    Q_OBJECT
public:
    /// The outcome of claim().
    enum class Claim {
        First,   ///< no other copy: this one now listens and is the running copy
        Another, ///< another copy is running: call ActivatePrevInstance() and end
        Failed,  ///< the check could not be made (no usable folder); run without it
    };

    /// Works in `runtimeFolder` (a folder only the user can enter); see defaultFolder().
    explicit MPrevInst(QString runtimeFolder = defaultFolder(), QObject* parent = nullptr);
    ~MPrevInst() override;
    Q_DISABLE_COPY_MOVE(MPrevInst)

    /// $XDG_RUNTIME_DIR when set, else a private (0700) folder of the user's in the temporary
    /// folder; "" when neither can be had safely.
    static QString defaultFolder();

    /// Checks for a running copy and, when there is none, becomes it. Writes nothing but the
    /// lock and socket files. Call before anything else of the program's start-up writes.
    Claim claim();
    /// Asks the running copy to come forward (out of the notification area or minimized);
    /// true when it answered. `activationToken` is passed on for the window manager.
    bool ActivatePrevInstance(const QByteArray& activationToken = qgetenv("XDG_ACTIVATION_TOKEN"));

    /// The socket's full path ("" without a folder).
    QString socketPath() const;
    /// True while this copy is the running one.
    bool isListening() const;

Q_SIGNALS:
    /// Another copy asked this one to come forward (once per request).
    void activationRequested(const QByteArray& activationToken);

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket* socket);
    Claim claimLocked();

    QString m_folder;
    QLocalServer* m_server = nullptr;
};
