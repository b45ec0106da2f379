#include "SearchScope.h"

#include "CRegSettings.h"
#include "SettingValues.h"
#include "platform/RegistryHive.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace {

const QString kFolders = QStringLiteral("Search Folders");
const QString kFilter = QStringLiteral("Search Filter");
const QString kAlt = QStringLiteral("Alt Folders");
const QString kFiletype = QStringLiteral("Filetype");
const QString kCustomFilter = QStringLiteral("Custom Filter");
const QString kNumber = QStringLiteral("Number");
const QString kFolder = QStringLiteral("Folder");

constexpr int kLastFileType = 4;
constexpr int kLastBoxValue = 2; // 2 is the grey tick a check box can hold

/// The index i of a value named "Folder" + i (any letter case, as the store compares
/// names), or -1 for any other name.
long long folderIndex(const QString& name)
{
    if (!name.startsWith(kFolder, Qt::CaseInsensitive) || name.size() == kFolder.size())
        return -1;
    const QStringView digits = QStringView(name).mid(kFolder.size());
    if (digits.size() > 1 && digits.front() == u'0')
        return -1; // "Folder01" is not a name the program writes
    long long index = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9' || index > std::numeric_limits<int>::max())
            return -1;
        index = index * 10 + (c.unicode() - u'0');
    }
    return index;
}

/// The stored alternate folders of `section` (see loadScope). Only the values that exist
/// are looked at, so a damaged "Number" far beyond them costs nothing.
QList<AltFolder> loadAltFolders(const CRegSettings& store, const QString& section, int& dropped)
{
    const long long number =
        SettingValues::readCount(store.GetSetting(section, kNumber, QStringLiteral("1")), 0,
                                 std::numeric_limits<int>::max());
    std::vector<std::pair<long long, QString>> stored;
    for (auto& [name, text] : store.GetAllSettings(section)) {
        const long long index = folderIndex(name);
        if (index >= 0 && index < number) // names are unique in any letter case
            stored.emplace_back(index, std::move(text));
    }
    dropped = int(std::max<qsizetype>(0, qsizetype(stored.size()) - MaxAltFolders));
    const auto kept = stored.begin() + qsizetype(stored.size()) - dropped;
    std::partial_sort(stored.begin(), kept, stored.end(),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<AltFolder> folders;
    folders.reserve(kept - stored.begin());
    for (auto it = stored.begin(); it != kept; ++it)
        folders.append(decodeAltFolder(it->second));
    if (folders.isEmpty() && number >= 1)
        folders.append(AltFolder{}); // a first start's one empty entry
    return folders;
}

} // namespace

QString folderBoxKey(FolderBox box)
{
    switch (box) {
    case FolderBox::Desktop:
        return QStringLiteral("Desktop");
    case FolderBox::StartMenuPrograms:
        return QStringLiteral("Start Menu Programs");
    case FolderBox::Favorites:
        return QStringLiteral("Favorites");
    case FolderBox::MyDocuments:
        return QStringLiteral("My Documents");
    case FolderBox::SendTo:
        return QStringLiteral("Send To");
    case FolderBox::AppData:
        return QStringLiteral("App Data");
    case FolderBox::InternetCache:
        return QStringLiteral("Internet Cache");
    case FolderBox::RecentDocs:
        return QStringLiteral("Recent Docs");
    }
    return {};
}

AltFolder decodeAltFolder(const QString& stored)
{
    AltFolder folder;
    folder.ticked = stored.endsWith(u'1');
    if (stored.endsWith(u"|0") || stored.endsWith(u"|1"))
        folder.path = stored.chopped(2);
    else
        folder.path = stored;
    return folder;
}

QString encodeAltFolder(const AltFolder& folder)
{
    return folder.path + (folder.ticked ? u"|1" : u"|0");
}

SearchScope loadScope(const CRegSettings& store, const QString& prefix)
{
    SearchScope scope;
    const SearchScope defaults;

    for (int i = 0; i < FolderBoxCount; ++i) {
        const QString key = folderBoxKey(static_cast<FolderBox>(i));
        const QString text =
            store.GetSetting(prefix + kFolders, key, QString::number(defaults.boxes[size_t(i)]));
        scope.boxes[size_t(i)] =
            SettingValues::readIntegerIn(text, 0, kLastBoxValue, defaults.boxes[size_t(i)]);
    }

    scope.fileType = SettingValues::readIntegerIn(
        store.GetSetting(prefix + kFilter, kFiletype, QString::number(defaults.fileType)), 0,
        kLastFileType, defaults.fileType);
    scope.customFilter = store.GetSetting(prefix + kFilter, kCustomFilter, defaults.customFilter);

    scope.altFolders = loadAltFolders(store, prefix + kAlt, scope.droppedAltFolders);
    return scope;
}

bool saveScope(CRegSettings& store, const QString& prefix, const SearchScope& scope)
{
    // One file write for the whole scope: a crash or a full disk never leaves the folder
    // list deleted but not yet rewritten.
    RegistryBatch batch;
    bool ok = true;
    for (int i = 0; i < FolderBoxCount; ++i) {
        ok &= store.SaveSetting(prefix + kFolders, folderBoxKey(static_cast<FolderBox>(i)),
                                QString::number(scope.boxes[size_t(i)]));
    }
    ok &= store.SaveSetting(prefix + kFilter, kFiletype, QString::number(scope.fileType));
    ok &= store.SaveSetting(prefix + kFilter, kCustomFilter, scope.customFilter);

    // The section goes first so that no "Folder" value of a longer, older list survives.
    const QString altSection = prefix + kAlt;
    const bool removed = store.DeleteSetting(altSection);
    ok &= store.SaveSetting(altSection, kNumber, QString::number(scope.altFolders.size()));
    for (qsizetype i = 0; i < scope.altFolders.size(); ++i)
        ok &= store.SaveSetting(altSection, kFolder + QString::number(i),
                                encodeAltFolder(scope.altFolders[i]));
    if (!removed) {
        // The section was missing (nothing stale) or could not be removed as a whole (a
        // stray sub-key): drop every value that is not part of the list just written.
        for (const auto& [name, text] : store.GetAllSettings(altSection)) {
            Q_UNUSED(text);
            const long long index = folderIndex(name);
            const bool current = name.compare(kNumber, Qt::CaseInsensitive) == 0 ||
                                 (index >= 0 && index < scope.altFolders.size());
            if (!current) // "*" names the default value; "" would name the whole section
                ok &= store.DeleteSetting(altSection, name.isEmpty() ? QStringLiteral("*") : name);
        }
    }
    ok &= batch.commit() == ERROR_SUCCESS;
    return ok;
}
