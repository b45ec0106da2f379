#pragma once

#include <QByteArray>
#include <QList>

class QClipboard;
class QMimeData;

/// The clipboard data of copied files: text/uri-list (CRLF-separated file:// addresses
/// with every unusual byte percent-encoded), x-special/gnome-copied-files ("copy" and the
/// addresses, one a line), application/x-kde-cutselection "0" (a copy, not a cut) and the
/// paths as text/plain for pasting into text. Empty paths are left out.
QMimeData* fileListMimeData(const QList<QByteArray>& Files);

/// Puts the files on the clipboard as copied files; true when the clipboard holds them
/// afterwards. With no path the clipboard is left as it is and the result is false.
bool ClipboardCopyFiles(const QList<QByteArray>& Files, QClipboard& clipboard);
