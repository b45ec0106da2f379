#include "settings/Module1.h"
#include "settings/Presets.h"

#include "StoreFixture.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <random>

using namespace StoreFixture;

namespace {

using Columns = std::array<int, kListColumnCount>;

/// The window as it stands before start-up applies anything: design size, 1920×1080 screen.
CurrentWindow designWindow()
{
    CurrentWindow w;
    w.width = 9600;
    w.height = 7200;
    w.screen = QRect(0, 0, 28800, 16200);
    w.columnWidths = {2000, 800, 1500, 1800, 3000, 2500};
    w.columnPositions = {1, 2, 3, 4, 5, 6};
    return w;
}

/// Where the design window sits by default: centred on the screen.
const QRect kCentred(9600, 4500, 9600, 7200);

/// Writes the settings file by hand: `body` holds the sections after the header.
void writeHive(const QByteArray& body)
{
    ASSERT_TRUE(writeFile(hivePath(), "REGEDIT4\n\n" + body));
}

/// One section of the hand-written file below the program's key.
QByteArray section(const char* name, const QByteArray& values)
{
    return "[HKEY_CURRENT_USER\\Software\\Willow Brookes\\Kestrelfind\\" + QByteArray(name) +
           "]\n" + values + "\n";
}

/// The value names of one section of the file as written, in file order.
QStringList namesInSection(const QByteArray& file, const QString& name)
{
    const QString text = QString::fromUtf8(file);
    const qsizetype start = text.indexOf(kAppKey + u'\\' + name + u']');
    if (start < 0)
        return {};
    const qsizetype end = text.indexOf(u"\n[", start);
    const QString body = text.mid(start, end < 0 ? -1 : end - start);
    QStringList names;
    static const QRegularExpression value(QStringLiteral("^\"([^\"]*)\"="),
                                          QRegularExpression::MultilineOption);
    for (auto it = value.globalMatch(body); it.hasNext();)
        names.append(it.next().captured(1));
    return names;
}

using Module1Test = StoreTest;

TEST_F(Module1Test, FirstStartWithoutAFileGivesEveryDefaultAndWritesNothing)
{
    AppSettings expected;
    expected.geometry = kCentred;
    expected.columnWidths = designWindow().columnWidths;
    EXPECT_EQ(LoadAppSettings(store, designWindow()), expected);
    EXPECT_FALSE(QFile::exists(hivePath()));
}

/// One stored value and what loading makes of it.
struct StoredCase {
    const char* section;
    const char* key;
    const char* stored;
    int (*field)(const AppSettings&);
    int expected;
};

constexpr auto state = [](const AppSettings& s) {
    return int(s.state);
};
constexpr auto left = [](const AppSettings& s) {
    return s.geometry.x();
};
constexpr auto top = [](const AppSettings& s) {
    return s.geometry.y();
};
constexpr auto width = [](const AppSettings& s) {
    return s.geometry.width();
};
constexpr auto height = [](const AppSettings& s) {
    return s.geometry.height();
};
constexpr auto col3Width = [](const AppSettings& s) {
    return s.columnWidths[2];
};
constexpr auto col6Width = [](const AppSettings& s) {
    return s.columnWidths[5];
};
constexpr auto sortedColumn = [](const AppSettings& s) {
    return s.options.sortedColumn;
};
constexpr auto ascending = [](const AppSettings& s) {
    return int(s.options.sortAscending);
};
constexpr auto view = [](const AppSettings& s) {
    return s.options.view;
};
constexpr auto icons = [](const AppSettings& s) {
    return int(s.options.showIcons);
};
constexpr auto extensions = [](const AppSettings& s) {
    return int(s.options.showExtensions);
};
constexpr auto altCount = [](const AppSettings& s) {
    return int(s.scope.altFolders.size());
};

class StoredValueTest : public ::testing::TestWithParam<StoredCase> {
protected:
    TempHome home;
};

TEST_P(StoredValueTest, ReadsValidValuesAndFallsBackOnDamage)
{
    const StoredCase& c = GetParam();
    writeHive(section(c.section, "\"" + QByteArray(c.key) + "\"=\"" + c.stored + "\"\n"));
    const AppSettings s = LoadAppSettings(CRegSettings::forProgram(), designWindow());
    EXPECT_EQ(c.field(s), c.expected) << c.section << " / " << c.key << " = " << c.stored;
}

// Search folders, filter and alternate folder values are read by the scope's own tests.
INSTANTIATE_TEST_SUITE_P(
    Table, StoredValueTest,
    ::testing::Values(
        StoredCase{"Window Settings", "WinState", "2", state, 2},
        StoredCase{"Window Settings", "WinState", "1", state, 0}, // minimised opens normal
        StoredCase{"Window Settings", "WinState", "3", state, 0},
        StoredCase{"Window Settings", "WinState", "max", state, 0},
        StoredCase{"Window Settings", "WinPosX", "-3000", left, -3000}, // left of the primary
        StoredCase{"Window Settings", "WinPosX", "1e12", left, kCentred.x()},
        StoredCase{"Window Settings", "WinPosY", "450", top, 450},
        StoredCase{"Window Settings", "WinPosY", "12abc", top, kCentred.y()},
        StoredCase{"Window Settings", "Width", "12000", width, 12000},
        StoredCase{"Window Settings", "Width", "1439", width, 9600},
        StoredCase{"Window Settings", "Width", "100001", width, 9600},
        StoredCase{"Window Settings", "Width", "wide", width, 9600},
        StoredCase{"Window Settings", "Height", "", height, 7200},
        StoredCase{"Window Settings", "ListCol3Width", "0", col3Width, 0},
        StoredCase{"Window Settings", "ListCol3Width", "-1", col3Width, 1500},
        StoredCase{"Window Settings", "ListCol6Width", "4321", col6Width, 4321},
        StoredCase{"Window Settings", "ListCol6Width", "999999", col6Width, 2500},
        StoredCase{"Window Settings", "Sorted Column", "4", sortedColumn, 4},
        StoredCase{"Window Settings", "Sorted Column", "0", sortedColumn, 1},
        StoredCase{"Window Settings", "Sorted Column", "7", sortedColumn, 1},
        StoredCase{"Window Settings", "Sort Order", "FALSE", ascending, 0},
        StoredCase{"Window Settings", "Sort Order", "maybe", ascending, 1},
        StoredCase{"Options", "View", "2", view, 2}, StoredCase{"Options", "View", "3", view, 0},
        StoredCase{"Options", "Show Icons", "0", icons, 0},
        StoredCase{"Options", "Show Icons", "off", icons, 1},
        StoredCase{"Options", "Show Extensions", "-1", extensions, 1}, // any number but 0
        StoredCase{"Options", "Show Extensions", "on", extensions, 0},
        StoredCase{"Alt Folders", "Number", "0", altCount, 0}));

TEST_F(Module1Test, MinimisedOrMaximisedStateKeepsTheDefaultPlaceAndSize)
{
    const QByteArray geometry = "\"WinPosX\"=\"100\"\n\"WinPosY\"=\"200\"\n"
                                "\"Width\"=\"12000\"\n\"Height\"=\"9000\"\n";
    for (const char* stored : {"1", "2"}) {
        writeHive(
            section("Window Settings", "\"WinState\"=\"" + QByteArray(stored) + "\"\n" + geometry));
        const AppSettings s = LoadAppSettings(store, designWindow());
        EXPECT_EQ(s.geometry, kCentred) << "WinState " << stored;
    }
    writeHive(section("Window Settings", "\"WinState\"=\"0\"\n" + geometry));
    EXPECT_EQ(LoadAppSettings(store, designWindow()).geometry, QRect(100, 200, 12000, 9000));
}

struct PositionCase {
    std::array<const char*, kListColumnCount> stored; ///< nullptr: no value
    Columns current;
    Columns expected;
};

class ColumnPositionTest : public ::testing::TestWithParam<PositionCase> {
protected:
    TempHome home;
};

TEST_P(ColumnPositionTest, DuplicateOrMissingPositionsGiveAPermutation)
{
    const PositionCase& c = GetParam();
    QByteArray values;
    for (int n = 0; n < kListColumnCount; ++n) {
        if (c.stored[size_t(n)])
            values += "\"Column " + QByteArray::number(n + 1) + " Position\"=\"" +
                      c.stored[size_t(n)] + "\"\n";
    }
    writeHive(section("Window Settings", values));
    CurrentWindow current = designWindow();
    current.columnPositions = c.current;
    const AppSettings s = LoadAppSettings(CRegSettings::forProgram(), current);
    EXPECT_EQ(s.columnPositions, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ColumnPositionTest,
    ::testing::Values(
        PositionCase{{"2", "1", "6", "3", "4", "5"}, {1, 2, 3, 4, 5, 6}, {2, 1, 6, 3, 4, 5}},
        PositionCase{{"1", "1", "1", "1", "1", "1"}, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
        PositionCase{{"6", "6", "x", nullptr, "0", "7"}, {1, 2, 3, 4, 5, 6}, {6, 2, 3, 4, 5, 1}},
        PositionCase{{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
                     {2, 1, 3, 4, 6, 5},
                     {2, 1, 3, 4, 6, 5}},
        PositionCase{{"3", "3", "3", nullptr, nullptr, nullptr}, // current clashes too
                     {3, 3, 3, 3, 3, 3},
                     {3, 1, 2, 4, 5, 6}}));

TEST(ColumnOrder, MovingEachColumnIntoItsSlotGivesThePositions)
{
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (int round = 0; round < 200; ++round) {
        Columns target{1, 2, 3, 4, 5, 6};
        std::shuffle(target.begin(), target.end(), random);
        std::vector<int> header{1, 2, 3, 4, 5, 6}; // columns left to right, as a header moves
        std::shuffle(header.begin(), header.end(), random);
        const Columns order = columnsInDisplayOrder(target);
        for (int slot = 0; slot < kListColumnCount; ++slot) {
            const auto from = std::find(header.begin(), header.end(), order[size_t(slot)]);
            const int column = *from;
            header.erase(from);
            header.insert(header.begin() + slot, column);
        }
        for (int c = 1; c <= kListColumnCount; ++c) {
            const auto at = std::find(header.begin(), header.end(), c) - header.begin();
            EXPECT_EQ(at + 1, target[size_t(c - 1)]) << "column " << c;
        }
    }
    EXPECT_EQ(columnsInDisplayOrder({4, 4, 0, 9, 1, 1}), (Columns{5, 2, 3, 1, 4, 6}));
}

/// Every value away from its default.
AppSettings everyValueChanged()
{
    AppSettings s;
    s.state = WinState::Normal;
    s.geometry = QRect(-1500, 300, 14400, 10800);
    s.columnWidths = {100, 0, 3000, 4000, 5000, 6789};
    s.columnPositions = {6, 5, 4, 3, 2, 1};
    s.options.showExtensions = true;
    s.options.subfolders = false;
    s.options.matchCase = true;
    s.options.showIcons = false;
    s.options.view = 2;
    s.options.sortAscending = false;
    s.options.sortedColumn = 4;
    s.scope.boxes = {0, 2, 0, 1, 1, 1, 1, 0};
    s.scope.fileType = 4;
    s.scope.customFilter = QStringLiteral("*.\"Grüße\"\\x");
    s.scope.altFolders = {{"/data/a|1", false}, {"/home/ü/b", true}, {"", false}};
    return s;
}

TEST_F(Module1Test, EveryValueSurvivesARestartInTheFileOrder)
{
    ASSERT_TRUE(Presets().save("Work", SearchScope{}));
    ASSERT_TRUE(Presets().save("alpha", SearchScope{}));
    put("Alt Folders", "Folder7", "/stale|1"); // from a longer list of an older run
    AppSettings saved = everyValueChanged();
    ASSERT_TRUE(SaveAppSettings(store, saved));

    saved.presets = QStringList{"alpha", "Work"};
    EXPECT_EQ(LoadAppSettings(CRegSettings::forProgram(), designWindow()), saved);

    const QByteArray file = readFile(hivePath());
    EXPECT_EQ(namesInSection(file, "Window Settings"),
              (QStringList{"WinState", "WinPosX", "WinPosY", "Width", "Height", "ListCol1Width",
                           "ListCol2Width", "ListCol3Width", "ListCol4Width", "ListCol5Width",
                           "ListCol6Width", "Sort Order", "Sorted Column", "Column 1 Position",
                           "Column 2 Position", "Column 3 Position", "Column 4 Position",
                           "Column 5 Position", "Column 6 Position"}));
    EXPECT_EQ(namesInSection(file, "Alt Folders"),
              (QStringList{"Number", "Folder0", "Folder1", "Folder2"}));
    EXPECT_EQ(namesInSection(file, "Options"),
              (QStringList{"Show Extensions", "Subfolders", "Match Case", "Show Icons", "View"}));
    EXPECT_TRUE(file.contains("\"Sort Order\"=\"False\""));
    EXPECT_TRUE(file.contains("\"Folder0\"=\"/data/a|1|0\""));
}

// A window closed maximised stores its normal place but opens centred; one closed minimised
// comes back normal, where it was.
TEST_F(Module1Test, MaximisedOrMinimisedAtCloseStoresTheNormalPlace)
{
    for (const WinState closed : {WinState::Maximized, WinState::Minimized}) {
        AppSettings saved = everyValueChanged();
        saved.state = closed;
        ASSERT_TRUE(SaveAppSettings(store, saved));
        EXPECT_EQ(store.GetSetting("Window Settings", "Width"), "14400");
        const AppSettings loaded = LoadAppSettings(store, designWindow());
        const bool maximised = closed == WinState::Maximized;
        EXPECT_EQ(loaded.state, maximised ? WinState::Maximized : WinState::Normal);
        EXPECT_EQ(loaded.geometry, maximised ? kCentred : saved.geometry);
    }
}

// The settings file keeps the old contents on a failed write (see the store's tests); here
// the failure must reach the caller.
TEST_F(Module1Test, ASaveThatCannotBeWrittenFails)
{
    BlockedConfigFolder blocked;
    EXPECT_FALSE(SaveAppSettings(store, everyValueChanged()));
}

} // namespace
