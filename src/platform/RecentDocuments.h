#pragma once

#include <QByteArray>
#include <QList>

/// Records launched paths (bytes) or addresses in the desktop's recent-documents file
/// ($XDG_DATA_HOME/recently-used.xbel) with their MIME types and this program as the
/// application, in one read and one write of the file. A file that cannot be read as a
/// bookmark file is left as it is. True when the entries were written.
bool addToRecentDocuments(const QList<QByteArray>& targets);

/// The desktop's recent-documents file.
QByteArray recentDocumentsFile();
