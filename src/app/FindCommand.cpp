#include "FindCommand.h"

#include "search/CommandLineFind.h"
#include "search/SearchPlaces.h"
#include "settings/AppOptions.h"
#include "settings/CRegSettings.h"
#include "settings/SearchScope.h"

#include <QByteArray>
#include <QList>

#include <cstring>

namespace FindCommand {

namespace {

/// The scope, filter and options the Search button would use.
CommandLineFind::StoredSearch storedSearch()
{
    const CRegSettings store = CRegSettings::forProgram();
    const SearchScope scope = loadScope(store, QString());
    CommandLineFind::StoredSearch search;
    search.folders = searchFolders(scope);
    search.filter = FileFilter::fromChoice(scope.fileType, scope.customFilter);
    const AppOptions options = loadAppOptions(store);
    search.subfolders = options.subfolders;
    search.matchCase = options.matchCase;
    return search;
}

} // namespace

bool wanted(int argc, char** argv)
{
    return argc > 1 && std::strcmp(argv[1], "--find") == 0;
}

int run(int argc, char** argv)
{
    QList<QByteArray> arguments;
    for (int i = 2; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    return CommandLineFind::run(arguments, 1, 2, storedSearch);
}

} // namespace FindCommand
