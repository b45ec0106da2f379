#pragma once

#include "FileFilter.h"

#include <QByteArray>

/// One top-level walk of a search run.
struct SearchRequest {
    bool IncludeSubfolders = false; ///< descend into subfolders
    QByteArray FolderPath;          ///< the folder to walk, exact bytes
    FileFilter Pattern;             ///< which entries may be listed
};
