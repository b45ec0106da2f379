#pragma once

#include <QByteArray>
#include <QString>

#include <ctime>
#include <string>

#include <sys/types.h>

/// The freedesktop trash on byte paths: the home trash ($XDG_DATA_HOME/Trash) for items on
/// its file system, the top-directory trash ($topdir/.Trash/$uid, else $topdir/.Trash-$uid)
/// for items elsewhere. An item that no trash can take is left where it is and reported;
/// nothing is ever deleted for good. The trash folders in use are held open, so a run of
/// many items costs each item about four system calls.
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
    ~Trash();
    Q_DISABLE_COPY_MOVE(Trash)

    /// Moves `path` (a file, folder or link; relative paths count from the current folder)
    /// into the trash and writes its .trashinfo record first; the record is removed again
    /// when the move fails. Never replaces anything already in the trash.
    Result moveToTrash(const QByteArray& path);

    /// The home trash folder (holding files/ and info/).
    QByteArray homeTrash() const { return m_home.path; }

    /// The DeletionDate text (local time, "YYYY-MM-DDThh:mm:ss") for `second`.
    static QByteArray deletionDate(time_t second);

private:
    /// One trash folder, with its files/ and info/ folders open while `open()`.
    struct Folder {
        QByteArray path;
        int files = -1;
        int info = -1;
        dev_t device = 0; ///< that of files/
        bool open() const { return files >= 0; }
        /// Makes files/ and info/ when missing and opens them; 0 or errno. The folders of a
        /// `shared` file system's trash must not be links.
        int openAt(const QByteArray& trash, bool shared);
        void close();
    };

    /// The trash for an item on another file system than the home trash, with the top
    /// folder that its Path entries are relative to; empty when there is none.
    static QByteArray topTrash(const QByteArray& absolutePath, dev_t device, QByteArray* topDir);
    Result store(const QByteArray& path, const Folder& trash, const QByteArray& recordedPath);
    /// The record for an item at `recordedPath`, deleted now.
    const std::string& record(const QByteArray& recordedPath);

    Folder m_home;
    /// The last top-directory trash used, kept open for the next item on its file system.
    Folder m_top;
    /// The DeletionDate text of `m_second`: made once a second, not per item.
    time_t m_second = -1;
    QByteArray m_date;
    // Reused for every item: a run of thousands makes no allocation per item.
    std::string m_record;
    std::string m_entry;
    std::string m_infoName;
};
