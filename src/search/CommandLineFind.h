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

/// Runs the finder on the arguments after "--find"; writes matches to `outFd` and messages
/// to `errFd`; `stored` is asked only when no folder is given. Returns the exit status:
/// 0 something found, 1 nothing found, 2 an error (bad arguments, unreadable folder, output
/// that cannot be written).
int run(const QList<QByteArray>& arguments, int outFd, int errFd,
        const std::function<StoredSearch()>& stored);

/// Escapes a column value: backslash, tab, line feed and carriage return as \\, \t, \n, \r.
QByteArray escapeColumn(QByteArrayView value);

} // namespace CommandLineFind
