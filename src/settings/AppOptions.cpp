#include "AppOptions.h"

#include "settings/CRegSettings.h"
#include "settings/SettingValues.h"

namespace {

const QString kOptions = QStringLiteral("Options");
const QString kWindow = QStringLiteral("Window Settings");

bool readFlag(const CRegSettings& store, const QString& key, bool fallback)
{
    // A flag is ticked when its number is not 0; damaged text keeps the default rather
    // than silently switching an option off.
    const std::optional<int> value = SettingValues::readInteger(store.GetSetting(kOptions, key));
    return value ? *value != 0 : fallback;
}

QString flagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

AppOptions loadAppOptions(const CRegSettings& store)
{
    AppOptions o;
    o.showExtensions = readFlag(store, QStringLiteral("Show Extensions"), o.showExtensions);
    o.subfolders = readFlag(store, QStringLiteral("Subfolders"), o.subfolders);
    o.matchCase = readFlag(store, QStringLiteral("Match Case"), o.matchCase);
    o.showIcons = readFlag(store, QStringLiteral("Show Icons"), o.showIcons);
    o.view = SettingValues::readIntegerIn(store.GetSetting(kOptions, QStringLiteral("View")), 0, 2,
                                          o.view);
    o.sortAscending =
        SettingValues::readTruth(store.GetSetting(kWindow, QStringLiteral("Sort Order")))
            .value_or(o.sortAscending);
    o.sortedColumn = SettingValues::readIntegerIn(
        store.GetSetting(kWindow, QStringLiteral("Sorted Column")), 1, 6, o.sortedColumn);
    return o;
}

bool saveAppOptions(CRegSettings& store, const AppOptions& options)
{
    const bool sorted = saveSortState(store, options);
    return saveOptionTicks(store, options) && sorted;
}

bool saveSortState(CRegSettings& store, const AppOptions& o)
{
    bool ok = store.SaveSetting(kWindow, QStringLiteral("Sort Order"),
                                o.sortAscending ? QStringLiteral("True") : QStringLiteral("False"));
    ok &= store.SaveSetting(kWindow, QStringLiteral("Sorted Column"),
                            QString::number(o.sortedColumn));
    return ok;
}

bool saveOptionTicks(CRegSettings& store, const AppOptions& o)
{
    bool ok =
        store.SaveSetting(kOptions, QStringLiteral("Show Extensions"), flagText(o.showExtensions));
    ok &= store.SaveSetting(kOptions, QStringLiteral("Subfolders"), flagText(o.subfolders));
    ok &= store.SaveSetting(kOptions, QStringLiteral("Match Case"), flagText(o.matchCase));
    ok &= store.SaveSetting(kOptions, QStringLiteral("Show Icons"), flagText(o.showIcons));
    ok &= store.SaveSetting(kOptions, QStringLiteral("View"), QString::number(o.view));
    return ok;
}
