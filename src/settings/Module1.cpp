#include "Module1.h"

#include "CRegSettings.h"
#include "Presets.h"
#include "SettingValues.h"
#include "WindowGeometry.h"
#include "platform/RegistryHive.h"

#include <optional>

namespace {

const QString kWindow = QStringLiteral("Window Settings");

/// Window positions may lie far left of or above the primary screen on a wide desk of
/// screens, but not this far.
constexpr int kMaxStoredPosition = 1000000;
/// A window smaller than an inch either way could not be found or used; such a stored size
/// is damage.
constexpr int kMinStoredSize = 1440;

QString widthKey(int column)
{
    return QStringLiteral("ListCol%1Width").arg(column);
}

QString positionKey(int column)
{
    return QStringLiteral("Column %1 Position").arg(column);
}

/// A "Window Settings" value as a whole number in [minimum, maximum], else `fallback`.
int readTwips(const CRegSettings& store, const QString& key, int minimum, int maximum, int fallback)
{
    const std::optional<long long> value =
        SettingValues::readWholeNumberIn(store.GetSetting(kWindow, key), minimum, maximum);
    return value ? int(*value) : fallback;
}

/// The normal-state geometry: stored size and place, or the current size centred on the
/// primary screen for whatever is missing.
QRect readGeometry(const CRegSettings& store, const CurrentWindow& current, bool useStored)
{
    QSize size(current.width, current.height);
    if (useStored) {
        size.setWidth(
            readTwips(store, u"Width"_qs, kMinStoredSize, kMaxStoredWindowTwips, current.width));
        size.setHeight(
            readTwips(store, u"Height"_qs, kMinStoredSize, kMaxStoredWindowTwips, current.height));
    }
    QPoint topLeft = WindowGeometry::centred(size, current.screen);
    if (useStored) {
        topLeft.setX(
            readTwips(store, u"WinPosX"_qs, -kMaxStoredPosition, kMaxStoredPosition, topLeft.x()));
        topLeft.setY(
            readTwips(store, u"WinPosY"_qs, -kMaxStoredPosition, kMaxStoredPosition, topLeft.y()));
    }
    return {topLeft, size};
}

bool saveNumber(CRegSettings& store, const QString& key, int value)
{
    return store.SaveSetting(kWindow, key, QString::number(value));
}

} // namespace

AppSettings LoadAppSettings(const CRegSettings& store, const CurrentWindow& current)
{
    AppSettings s;
    // A stored minimised state means the stored size is not the normal one: the window opens
    // normal, at the default place and size. A maximised window's stored size is its normal
    // one (the window saves that whatever its state): it opens maximised and comes back to
    // it when restored, rather than losing the user's size to the default one.
    const int state = SettingValues::readIntegerIn(store.GetSetting(kWindow, u"WinState"_qs), 0, 2,
                                                   int(current.state));
    s.state = state == int(WinState::Maximized) ? WinState::Maximized : WinState::Normal;
    s.geometry = readGeometry(store, current, state != int(WinState::Minimized));

    for (int c = 1; c <= kListColumnCount; ++c) {
        const int fallback = current.columnWidths[size_t(c - 1)];
        s.columnWidths[size_t(c - 1)] =
            readTwips(store, widthKey(c), 0, kMaxStoredColumnTwips, fallback);
    }
    s.options = loadAppOptions(store);
    s.scope = loadScope(store, QString());
    s.presets = Presets(store).list();

    std::array<int, kListColumnCount> stored{};
    for (int c = 1; c <= kListColumnCount; ++c) {
        stored[size_t(c - 1)] = SettingValues::readIntegerIn(
            store.GetSetting(kWindow, positionKey(c)), 1, kListColumnCount, 0);
    }
    s.columnPositions = repairColumnPositions(stored, current.columnPositions);
    return s;
}

bool SaveAppSettings(CRegSettings& store, const AppSettings& s)
{
    RegistryBatch batch; // one write of the settings file: all of it or none of it
    // A minimised window comes back normal, and its normal place and size are known here, so
    // it is stored as normal: a close from the tray or the task bar keeps the user's geometry.
    const WinState state = s.state == WinState::Minimized ? WinState::Normal : s.state;
    bool ok = saveNumber(store, u"WinState"_qs, int(state));
    ok &= saveNumber(store, u"WinPosX"_qs, s.geometry.x());
    ok &= saveNumber(store, u"WinPosY"_qs, s.geometry.y());
    ok &= saveNumber(store, u"Width"_qs, s.geometry.width());
    ok &= saveNumber(store, u"Height"_qs, s.geometry.height());
    for (int c = 1; c <= kListColumnCount; ++c)
        ok &= saveNumber(store, widthKey(c), s.columnWidths[size_t(c - 1)]);
    ok &= saveSortState(store, s.options);
    ok &= saveScope(store, QString(), s.scope);
    ok &= saveOptionTicks(store, s.options);
    for (int c = 1; c <= kListColumnCount; ++c)
        ok &= saveNumber(store, positionKey(c), s.columnPositions[size_t(c - 1)]);
    const bool written = batch.commit() == ERROR_SUCCESS;
    return ok && written;
}

std::array<int, kListColumnCount>
repairColumnPositions(const std::array<int, kListColumnCount>& stored,
                      const std::array<int, kListColumnCount>& current)
{
    std::array<bool, kListColumnCount + 1> taken{};
    std::array<int, kListColumnCount> result{};
    const auto claim = [&](size_t column, int position) {
        if (position < 1 || position > kListColumnCount || taken[size_t(position)])
            return false;
        taken[size_t(position)] = true;
        result[column] = position;
        return true;
    };
    for (size_t c = 0; c < stored.size(); ++c)
        claim(c, stored[c]);
    for (size_t c = 0; c < stored.size(); ++c) {
        if (result[c] == 0)
            claim(c, current[c]);
    }
    int next = 1;
    for (size_t c = 0; c < stored.size(); ++c) {
        while (result[c] == 0 && !claim(c, next))
            ++next;
    }
    return result;
}

std::array<int, kListColumnCount>
columnsInDisplayOrder(const std::array<int, kListColumnCount>& positions)
{
    const std::array<int, kListColumnCount> valid = repairColumnPositions(positions, positions);
    std::array<int, kListColumnCount> order{};
    for (size_t c = 0; c < valid.size(); ++c)
        order[size_t(valid[c] - 1)] = int(c) + 1;
    return order;
}
