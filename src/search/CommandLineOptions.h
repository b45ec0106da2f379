#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/// The command line of the finder, parsed: `--find TEXT [OPTION...] [FOLDER...]` in any
/// order, `--help` and `--version`.
struct FindOptions {
    enum class Action { Search, Help, Version };
    enum class Format { Lines, Nul, Columns };

    Action action = Action::Search;
    std::optional<QByteArray> text; ///< the search text, exact bytes
    std::optional<QString> pattern; ///< --pattern
    QList<QByteArray> folders;      ///< the folders named, in order
    bool matchCase = false;
    bool noSubfolders = false;
    Format format = Format::Lines;
};

/// The result of `parseFindOptions`: options, or the message of the first error.
struct ParsedFindOptions {
    std::optional<FindOptions> options;
    QByteArray error;
};

/// Parses the arguments after the program's name. The argument after `--find` (or the text
/// after `--find=`) is the search text whatever it starts with; `--` ends the options; an
/// unknown option or a missing value is an error wherever it stands, also beside `--help`.
ParsedFindOptions parseFindOptions(const QList<QByteArray>& arguments);

/// Whether the arguments ask for the finder rather than the window: they hold `--find`,
/// `--find=…`, `-h`, `--help`, `--version` or another of the finder's options before any
/// `--`. Anything else (Qt's own options, a session manager's) is left to the window.
bool findOptionsWanted(const QList<QByteArray>& arguments);
