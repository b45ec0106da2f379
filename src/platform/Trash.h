#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/types.h>

/// The freedesktop trash on byte paths: the home trash ($XDG_DATA_HOME/Trash) for items on
/// its file system, the top-directory trash ($topdir/.Trash/$uid, else $topdir/.Trash-$uid)
/// for items elsewhere. An item that no trash can take is left where it is and reported;
/// nothing is ever deleted for good.
class Trash final {
public:
    /// The outcome of one move to the trash: 0 or an errno, with a sentence for the user.
    struct Result {
        int error = 0;
        QString message;
        explicit operator bool() const { return error == 0; }
    };

    /// Uses $XDG_DATA_HOME (else $HOME/.local/share) as read now.
    Trash();

    /// Moves `path` (a file, folder or link; relative paths count from the current folder)
    /// into the trash and writes its .trashinfo record.
    Result moveToTrash(const QByteArray& path) const;

    /// The home trash folder (holding files/ and info/).
    QByteArray homeTrash() const { return m_home; }

private:
    /// Makes sure files/ and info/ exist below `trash`; 0 or errno.
    static int prepare(const QByteArray& trash);
    /// The trash for an item on another file system than the home trash, with the top
    /// folder that its Path entries are relative to; empty when there is none.
    static QByteArray topTrash(const QByteArray& absolutePath, dev_t device, QByteArray* topDir);
    static Result store(const QByteArray& path, const QByteArray& trash,
                        const QByteArray& recordedPath);

    QByteArray m_home;
    /// The home trash's device once its folders were made (checked again after a failure).
    mutable std::optional<dev_t> m_homeDevice;
};
