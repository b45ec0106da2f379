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

/// The loaded values the stored-value table looks at, by the name the file gives them.
int loaded(const AppSettings& s, const QByteArray& key)
{
    const QHash<QByteArray, int> fields = {{"WinState", int(s.state)},
                                           {"WinPosX", s.geometry.x()},
                                           {"WinPosY", s.geometry.y()},
                                           {"Width", s.geometry.width()},
                                           {"Height", s.geometry.height()},
                                           {"ListCol3Width", s.columnWidths[2]},
                                           {"ListCol6Width", s.columnWidths[5]},
                                           {"Sorted Column", s.options.sortedColumn},
                                           {"Sort Order", int(s.options.sortAscending)},
                                           {"View", s.options.view},
                                           {"Show Icons", int(s.options.showIcons)},
                                           {"Show Extensions", int(s.options.showExtensions)},
                                           {"Number", int(s.scope.altFolders.size())}};
    EXPECT_TRUE(fields.contains(key)) << key.constData();
    return fields.value(key);
}

// Search folders, filter and alternate folder values are read by the scope's own tests.
TEST(Module1Stored, ValidValuesAreReadAndDamagedOnesFallBack)
{
    const char *const win = "Window Settings", *const options = "Options",
                      *const alt = "Alt Folders";
    const struct {
        const char* section;
        const char* key;
        const char* stored;
        int expected;
    } cases[] = {
        {win, "WinState", "2", 2},
        {win, "WinState", "1", 0}, // minimised opens normal
        {win, "WinState", "3", 0},
        {win, "WinState", "max", 0},
        {win, "WinPosX", "-3000", -3000}, // left of the primary
        {win, "WinPosX", "1e12", kCentred.x()},
        {win, "WinPosY", "450", 450},
        {win, "WinPosY", "12abc", kCentred.y()},
        {win, "Width", "12000", 12000},
        {win, "Width", "1439", 9600},
        {win, "Width", "100001", 9600},
        {win, "Width", "wide", 9600},
        {win, "Height", "", 7200},
        {win, "ListCol3Width", "0", 0},
        {win, "ListCol3Width", "-1", 1500},
        {win, "ListCol6Width", "4321", 4321},
        {win, "ListCol6Width", "999999", 2500},
        {win, "Sorted Column", "4", 4},
        {win, "Sorted Column", "0", 1},
        {win, "Sorted Column", "7", 1},
        {win, "Sort Order", "FALSE", 0},
        {win, "Sort Order", "maybe", 1},
        {options, "View", "2", 2},
        {options, "View", "3", 0},
        {options, "Show Icons", "0", 0},
        {options, "Show Icons", "off", 1},
        {options, "Show Extensions", "-1", 1}, // any number but 0
        {options, "Show Extensions", "on", 0},
        {alt, "Number", "0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.section) + " / " + c.key + " = " + c.stored);
        const TempHome home; // a new file each time
        writeHive(section(c.section, "\"" + QByteArray(c.key) + "\"=\"" + c.stored + "\"\n"));
        EXPECT_EQ(loaded(LoadAppSettings(CRegSettings::forProgram(), designWindow()), c.key),
                  c.expected);
    }
}

// Another program's minimised state opens centred, the stored place and size unused.
TEST_F(Module1Test, AStoredMinimisedStateKeepsTheDefaultPlaceAndSize)
{
    writeHive(section("Window Settings",
                      "\"WinState\"=\"1\"\n\"WinPosX\"=\"100\"\n\"WinPosY\"=\"200\"\n"
                      "\"Width\"=\"12000\"\n\"Height\"=\"9000\"\n"));
    EXPECT_EQ(LoadAppSettings(store, designWindow()).geometry, kCentred);
}

TEST(Module1Stored, DuplicateOrMissingColumnPositionsGiveAPermutation)
{
    const struct {
        std::array<const char*, kListColumnCount> stored; ///< nullptr: no value
        Columns current;
        Columns expected;
    } cases[] = {
        {{"2", "1", "6", "3", "4", "5"}, {1, 2, 3, 4, 5, 6}, {2, 1, 6, 3, 4, 5}},
        {{"1", "1", "1", "1", "1", "1"}, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
        {{"6", "6", "x", nullptr, "0", "7"}, {1, 2, 3, 4, 5, 6}, {6, 2, 3, 4, 5, 1}},
        {{nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
         {2, 1, 3, 4, 6, 5},
         {2, 1, 3, 4, 6, 5}},
        {{"3", "3", "3", nullptr, nullptr, nullptr},
         {3, 3, 3, 3, 3, 3},
         {3, 1, 2, 4, 5, 6}}, // current clashes too
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        const TempHome home;
        QByteArray values;
        for (int n = 0; n < kListColumnCount; ++n) {
            if (c.stored[size_t(n)])
                values += "\"Column " + QByteArray::number(n + 1) + " Position\"=\"" +
                          c.stored[size_t(n)] + "\"\n";
        }
        writeHive(section("Window Settings", values));
        CurrentWindow current = designWindow();
        current.columnPositions = c.current;
        EXPECT_EQ(LoadAppSettings(CRegSettings::forProgram(), current).columnPositions, c.expected);
    }
}

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

} // namespace
