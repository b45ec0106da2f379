#include "BrowseDirectorysOnly.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString BrowseDirectorysOnly::titleFor(const QString& title, const QString& highlighted)
{
    if (highlighted.isEmpty())
        return title;
    return title + u" \u2014 " + highlighted;
}

QString BrowseForFolder(QWidget* owner, const QString& Title, const QString& InitialFolder)
{
    QFileDialog dialog(owner, Title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A file given (Copy to starts from the current row) opens the folder that holds it, where
    // a copy is most often meant to go. Without a usable initial folder the picker starts at
    // home, not at whatever folder the program happened to be started from.
    QFileInfo initial(InitialFolder);
    if (!InitialFolder.isEmpty() && initial.exists() && !initial.isDir())
        initial = QFileInfo(initial.absolutePath());
    if (!InitialFolder.isEmpty() && initial.isDir())
        dialog.setDirectory(QDir::cleanPath(initial.absoluteFilePath()));
    else
        dialog.setDirectory(QDir::homePath());

    // The picker shows the full path of the highlighted folder as it moves; a native dialog
    // shows it in its own location bar.
    QObject::connect(
        &dialog, &QFileDialog::currentChanged, &dialog, [&dialog, Title](const QString& path) {
            const QFileInfo info(path);
            dialog.setWindowTitle(BrowseDirectorysOnly::titleFor(
                Title, info.isDir() ? QDir::cleanPath(info.absoluteFilePath()) : QString()));
        });

    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return {};
    const QFileInfo info(chosen.first());
    if (!info.isDir()) // callers rely on an existing directory
        return {};
    // cleanPath keeps "/" and drops every other trailing separator; links stay as chosen.
    return QDir::cleanPath(info.absoluteFilePath());
}
