#include "CommandLineOptions.h"

#include <QFile>

namespace {

bool isFindFlag(const QByteArray& arg)
{
    return arg == "--find" || arg.startsWith("--find=");
}

/// Takes the value of an option written as `--name VALUE` or `--name=VALUE`; false when
/// `arg` is not that option. `error` is set when the value is missing.
bool takeValue(const QList<QByteArray>& arguments, qsizetype& i, QByteArrayView name,
               std::optional<QByteArray>& value, QByteArray& error)
{
    const QByteArray& arg = arguments.at(i);
    if (arg.startsWith(name) && arg.size() > name.size() && arg.at(name.size()) == '=') {
        value = arg.mid(name.size() + 1);
        return true;
    }
    if (arg != name)
        return false;
    if (++i == arguments.size())
        error = name.toByteArray() + " needs a value";
    else
        value = arguments.at(i);
    return true;
}

/// Applies one flag without a value; false when `arg` is none of them.
bool takeFlag(const QByteArray& arg, FindOptions& options, bool& help, bool& version)
{
    if (arg == "--match-case")
        options.matchCase = true;
    else if (arg == "--no-subfolders")
        options.noSubfolders = true;
    else if (arg == "-0")
        options.format = FindOptions::Format::Nul;
    else if (arg == "--columns")
        options.format = FindOptions::Format::Columns;
    else if (arg == "--help" || arg == "-h")
        help = true;
    else if (arg == "--version")
        version = true;
    else
        return false;
    return true;
}

} // namespace

ParsedFindOptions parseFindOptions(const QList<QByteArray>& arguments)
{
    FindOptions options;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    QByteArray error;
    for (qsizetype i = 0; i < arguments.size() && error.isEmpty(); ++i) {
        const QByteArray& arg = arguments.at(i);
        if (optionsEnded || !arg.startsWith('-') || arg.size() == 1) {
            options.folders.append(arg);
            continue;
        }
        std::optional<QByteArray> value;
        if (arg == "--") {
            optionsEnded = true;
        } else if (takeValue(arguments, i, "--find", value, error)) {
            if (options.text && value)
                error = "--find given twice";
            else if (value)
                options.text = *value;
        } else if (takeValue(arguments, i, "--pattern", value, error)) {
            if (options.pattern && value)
                error = "--pattern given twice";
            else if (value)
                options.pattern = QFile::decodeName(*value);
        } else if ((arg == "-0" && options.format == FindOptions::Format::Columns) ||
                   (arg == "--columns" && options.format == FindOptions::Format::Nul)) {
            error = "-0 and --columns do not go together";
        } else if (!takeFlag(arg, options, help, version)) {
            error = "unknown option '" + arg + "'";
        }
    }
    if (!error.isEmpty())
        return {std::nullopt, error};
    if (help || version) {
        options.action = help ? FindOptions::Action::Help : FindOptions::Action::Version;
        return {options, {}};
    }
    if (!options.text)
        return {std::nullopt, "--find needs a search text"};
    return {options, {}};
}

bool findOptionsWanted(const QList<QByteArray>& arguments)
{
    for (const QByteArray& arg : arguments) {
        if (arg == "--")
            return false;
        if (isFindFlag(arg) || arg == "-h" || arg == "--help" || arg == "--version")
            return true;
        // The finder's own options without --find were meant for it: they get its error, not
        // a window a script would wait on.
        if (arg == "--pattern" || arg.startsWith("--pattern=") || arg == "--match-case" ||
            arg == "--no-subfolders" || arg == "-0" || arg == "--columns")
            return true;
    }
    return false;
}
