#include "SearchPlaces.h"

#include "platform/ShellFolders.h"

#include <QFile>

const std::vector<SpecialFolderBox>& specialFolderRunOrder()
{
    static const std::vector<SpecialFolderBox> order{
        {FolderBox::Desktop,
         QStringLiteral("Desktop"),
         {Csidl::DesktopDirectory, Csidl::CommonDesktopDirectory}},
        {FolderBox::StartMenuPrograms,
         QStringLiteral("Start Menu Programs"),
         {Csidl::StartMenu, Csidl::CommonStartMenu}},
        {FolderBox::MyDocuments,
         QStringLiteral("My Documents"),
         {Csidl::Personal, Csidl::CommonDocuments}},
        {FolderBox::RecentDocs, QStringLiteral("Recent Documents"), {Csidl::Recent}},
        {FolderBox::Favorites,
         QStringLiteral("Favorites"),
         {Csidl::Favorites, Csidl::CommonFavorites}},
        {FolderBox::SendTo, QStringLiteral("Send To"), {Csidl::SendTo}},
        {FolderBox::AppData,
         QStringLiteral("Application Data"),
         {Csidl::AppData, Csidl::CommonAppData, Csidl::LocalAppData}},
        {FolderBox::InternetCache, QStringLiteral("Internet Cache"), {Csidl::InternetCache}},
    };
    return order;
}

QList<QByteArray> searchFolders(const QList<AltFolder>& altFolders,
                                const std::function<bool(FolderBox)>& ticked,
                                QHash<int, QString>* specialFolders)
{
    QList<QByteArray> folders;
    for (const AltFolder& alt : altFolders) {
        if (alt.ticked && !alt.path.isEmpty())
            folders.append(QFile::encodeName(alt.path));
    }
    for (const SpecialFolderBox& box : specialFolderRunOrder()) {
        if (!ticked(box.box))
            continue;
        for (const int csidl : box.csidls) {
            const QString path = GetSpecialFolder(csidl);
            if (specialFolders)
                specialFolders->insert(csidl, path);
            if (!path.isEmpty())
                folders.append(QFile::encodeName(path));
        }
    }
    return folders;
}

PlaceFacts inspectPlaces(const QList<AltFolder>& altFolders,
                         const std::function<bool(FolderBox)>& ticked)
{
    PlaceFacts facts;
    facts.roots = inspectRoots(searchFolders(altFolders, ticked, &facts.specialFolders));
    return facts;
}

QList<QByteArray> searchFolders(const SearchScope& scope)
{
    return searchFolders(scope.altFolders,
                         [&scope](FolderBox box) { return scope.boxes[size_t(box)] == 1; });
}
