#include "FindCommand.h"

#include "search/CommandLineFind.h"
#include "search/CommandLineOptions.h"
#include "search/SearchPlaces.h"
#include "settings/AppOptions.h"
#include "settings/CRegSettings.h"
#include "settings/SearchScope.h"

#include <QByteArray>
#include <QList>

#include <cstdio>

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
    // The window would say this in a message box; here it goes with the other errors.
    if (const QString damage = CRegSettings::takeDamageReport(); !damage.isEmpty())
        std::fprintf(stderr, "kestrelfind: %s\n", damage.toLocal8Bit().constData());
    return search;
}

/// The arguments after the program's name, as bytes.
QList<QByteArray> arguments(int argc, char** argv)
{
    QList<QByteArray> result;
    for (int i = 1; i < argc; ++i)
        result.append(QByteArray(argv[i]));
    return result;
}

} // namespace

bool wanted(int argc, char** argv)
{
    return findOptionsWanted(arguments(argc, argv));
}

int run(int argc, char** argv)
{
    return CommandLineFind::run(arguments(argc, argv), 1, 2, storedSearch);
}

} // namespace FindCommand
