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

QList<QByteArray> searchFolders(const SearchScope& scope)
{
    QList<QByteArray> folders;
    for (const AltFolder& alt : scope.altFolders) {
        if (alt.ticked && !alt.path.isEmpty())
            folders.append(QFile::encodeName(alt.path));
    }
    for (const SpecialFolderBox& box : specialFolderRunOrder()) {
        if (scope.boxes[size_t(box.box)] != 1)
            continue;
        for (const int csidl : box.csidls) {
            const QString path = GetSpecialFolder(csidl);
            if (!path.isEmpty())
                folders.append(QFile::encodeName(path));
        }
    }
    return folders;
}
