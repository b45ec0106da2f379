#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

/// A private home folder for one test: HOME and every XDG_* variable point into a fresh
/// temporary folder while the object lives, and back to the previous values afterwards.
class TempHome final {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    /// The temporary home folder, without a trailing '/'.
    QString home() const { return m_dir.path(); }
    /// A path below the home folder.
    QString path(const QString& relative) const { return m_dir.path() + u'/' + relative; }
    /// Makes a folder (and its parents) below home; returns its full path.
    QString mkdir(const QString& relative) const;
    /// Writes a file below home (making its folder); returns its full path.
    QString write(const QString& relative, const QByteArray& contents = {}) const;

private:
    QTemporaryDir m_dir;
    QList<QPair<QByteArray, QByteArray>> m_saved;
};
