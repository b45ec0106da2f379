#pragma once

#include "FileFilter.h"

#include <QByteArray>
#include <QList>

#include <functional>

/// The command-line finder: `--find TEXT [FOLDER…]` with its options, writing to file
/// descriptors so that it runs the same in the program and in tests.
namespace CommandLineFind {

/// What a search without folders on the command line covers: the stored scope.
struct StoredSearch {
    QList<QByteArray> folders;
    FileFilter filter;
    bool subfolders = true;
    bool matchCase = false;
};

/// Runs the finder on the arguments after the program's name (see `FindOptions`); writes
/// matches, help and version to `outFd` and messages to `errFd`; `stored` is asked only
/// when a search names no folder. Folders inside the search that cannot be read are named
/// on `errFd` and do not change the status. Returns the exit status: 0 something found
/// (or help/version written), 1 nothing found, 2 an error (bad arguments, an unreadable
/// named folder, output that cannot be written, a closed pipe excepted).
int run(const QList<QByteArray>& arguments, int outFd, int errFd,
        const std::function<StoredSearch()>& stored);

/// Escapes a column value so that no byte of it acts on a terminal: backslash, tab, line
/// feed and carriage return as \\, \t, \n, \r; other C0 controls, DEL, the C1 controls
/// (U+0080 to U+009F) and stray bytes 0x80 to 0x9F as \xHH per byte. Other bytes are kept.
QByteArray escapeColumn(QByteArrayView value);

} // namespace CommandLineFind
