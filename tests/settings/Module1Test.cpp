#include "settings/Module1.h"
#include "settings/Presets.h"
#include "settings/SettingValues.h"
#include "settings/WindowGeometry.h"

#include "StoreFixture.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <algorithm>
#include <optional>
#include <ostream>
#include <random>

inline void PrintTo(const QRect& r, std::ostream* os)
{
    *os << '(' << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ')';
}

using namespace StoreFixture;
using namespace SettingValues;

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
        {win, "Width", "120000", 120000}, // across two wide screens
        {win, "Width", "1000001", 9600},
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

// A window closed maximised stores its normal place, and opens maximised with it as the place
// it is restored to; one closed minimised comes back normal, where it was. Another program's
// minimised state opens centred, the stored place and size unused.
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
        EXPECT_EQ(loaded.geometry, saved.geometry);
    }
    put("Window Settings", "WinState", "1");
    EXPECT_EQ(LoadAppSettings(store, designWindow()).geometry, kCentred);
}

// Hand-edited or damaged values, one table per way of reading them.
struct ValueCase {
    const char* text;
    double number;              ///< readNumber
    std::optional<int> integer; ///< readInteger
    std::optional<bool> truth;  ///< readTruth
};

class ReadValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ReadValueTest, ReadsAsNumberIntegerAndTruth)
{
    const ValueCase& c = GetParam();
    const QString text = QString::fromUtf8(c.text);
    EXPECT_DOUBLE_EQ(readNumber(text), c.number) << c.text;
    EXPECT_EQ(readInteger(text), c.integer) << c.text;
    EXPECT_EQ(readTruth(text), c.truth) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadValueTest,
    ::testing::Values(
        ValueCase{"", 0, std::nullopt, std::nullopt},
        ValueCase{"12abc", 12, std::nullopt, std::nullopt}, ValueCase{" 12 ", 12, 12, true},
        ValueCase{"\t-3.5x", -3.5, std::nullopt, std::nullopt}, ValueCase{"1e3", 1000, 1000, true},
        ValueCase{"2.5", 2.5, 2, true}, ValueCase{"-2.5", -2.5, -2, true},
        ValueCase{"32768", 32768, std::nullopt, true}, ValueCase{"-32768", -32768, -32768, true},
        ValueCase{"0", 0, 0, false}, ValueCase{"1e400", 0, std::nullopt, std::nullopt},
        ValueCase{"0x10", 0, std::nullopt, std::nullopt},
        ValueCase{"\xef\xbc\x91", 0, std::nullopt, std::nullopt}, // full-width 1
        ValueCase{" false ", 0, std::nullopt, false}, ValueCase{"tRuE", 0, std::nullopt, true}));

TEST(SettingValues, CountRoundsHalvesToEvenAndClamps)
{
    EXPECT_EQ(readCount(QStringLiteral("2.5"), 0, 9), 2);
    EXPECT_EQ(readCount(QStringLiteral("3.5"), 0, 9), 4);
    EXPECT_EQ(readCount(QStringLiteral("-4"), 0, 9), 0);
    EXPECT_EQ(readCount(QStringLiteral("1e300"), 0, 1000), 1000);
}

using namespace WindowGeometry;

TEST(WindowGeometry, TwipsFollowTheLogicalDpi)
{
    // A dpi of 0 (not known) counts as 96.
    for (const auto& [dpi, pixelsOf9600] :
         {std::pair{96.0, 640}, std::pair{192.0, 1280}, std::pair{0.0, 640}}) {
        EXPECT_EQ(twipsToPixels(9600, dpi), pixelsOf9600) << dpi;
        EXPECT_EQ(pixelsToTwips(pixelsOf9600, dpi), 9600) << dpi;
    }
    const QRect pixels(-100, 50, 641, 481);
    EXPECT_EQ(twipsToPixels(pixelsToTwips(pixels, 96, 144), 96, 144), pixels);
    EXPECT_EQ(pixelsToTwips(pixels, 96, 144), QRect(-1500, 500, 9615, 4810));
    EXPECT_EQ(minimumTrackSize(QSize(9615, 7214), 96, 96), QSize(641, 480));
    EXPECT_EQ(minimumTrackSize(QSize(9615, 7214), 144, 120), QSize(961, 601));
}

// A 1920×1040 primary screen (task bar below) and a 1280×1024 screen to its right.
TEST(WindowGeometry, CentresKeepsVisibleWindowsAndBringsBackLostOnes)
{
    EXPECT_EQ(centred(QSize(640, 480), QRect(1920, 100, 1280, 1024)), QPoint(2240, 372));
    const QList<QRect> screens{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 1024)};
    // titleRoom: the title bar a window manager puts above the window, of which at least half
    // stays on a screen.
    const struct {
        const char* what;
        QRect window;
        QRect expected;
        int titleRoom = 0;
    } cases[] = {
        {"inside", QRect(100, 100, 800, 600), QRect(100, 100, 800, 600)},
        {"across two", QRect(1500, 100, 800, 600), QRect(1500, 100, 800, 600)},
        {"partly off", QRect(-400, 100, 800, 600), QRect(-400, 100, 800, 600)},
        {"far right", QRect(5000, 100, 800, 600), QRect(2400, 100, 800, 600)},
        {"far left", QRect(-3000, 200, 800, 600), QRect(0, 200, 800, 600)},
        {"below", QRect(100, 2000, 800, 600), QRect(100, 440, 800, 600)},
        {"a sliver", QRect(-790, 100, 800, 600), QRect(0, 100, 800, 600)},
        {"mostly off", QRect(2900, 700, 800, 600), QRect(2400, 424, 800, 600)},
        {"too big", QRect(0, 0, 3000, 2000), QRect(0, 0, 1920, 1040)},
        {"too tall", QRect(100, 100, 800, 1500), QRect(100, 0, 800, 1040)},
        {"too big off", QRect(9000, 9000, 3000, 3000), QRect(1920, 0, 1280, 1024)},
        {"title within reach", QRect(100, 19, 800, 600), QRect(100, 19, 800, 600), 24},
        {"title above the screen", QRect(100, 0, 800, 600), QRect(100, 24, 800, 600), 24},
        {"far above", QRect(100, -400, 800, 600), QRect(100, 24, 800, 600), 24},
        {"too tall with it", QRect(100, 100, 800, 1040), QRect(100, 24, 800, 1016), 24},
        {"below a screen above", QRect(2000, 0, 800, 600), QRect(2000, 24, 800, 600), 24},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeOnScreens(c.window, screens, c.titleRoom), c.expected) << c.what;
    // No screens leave the window alone.
    EXPECT_EQ(placeOnScreens(QRect(5000, 5000, 10, 10), {}), QRect(5000, 5000, 10, 10));
}

} // namespace
