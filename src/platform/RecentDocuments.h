#pragma once

#include <QByteArray>

/// Records a launched path (bytes) or address in the desktop's recent-documents file
/// ($XDG_DATA_HOME/recently-used.xbel) with its MIME type and this program as the
/// application. A file that cannot be read as a bookmark file is left as it is. True when
/// the entry was written.
bool addToRecentDocuments(const QByteArray& target);

/// The desktop's recent-documents file.
QByteArray recentDocumentsFile();
