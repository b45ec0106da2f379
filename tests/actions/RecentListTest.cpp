// The "Recent Files" list in the real settings file, and the Recently Launched menu built
// from it.

#include "actions/RecentLaunchList.h"
#include "actions/RecentMenu.h"
#include "settings/CRegSettings.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

const QString kSection = QStringLiteral("Recent Files");

class RecentListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 1; i <= 12; ++i)
            store.DeleteSetting(kSection, QString::number(i));
    }
    /// Stores values "1", "2", … ("" leaves that value out).
    void stored(const QStringList& values)
    {
        for (int i = 0; i < values.size(); ++i) {
            if (!values[i].isEmpty())
                store.SaveSetting(kSection, QString::number(i + 1), values[i]);
        }
    }
    /// Values "1" … "11" as stored; "-" for a missing one.
    QStringList raw() const
    {
        QStringList out;
        for (int i = 1; i <= 11; ++i)
            out.append(store.GetSetting(kSection, QString::number(i), QStringLiteral("-")));
        return out;
    }
    static QStringList names(const QString& letters)
    {
        QStringList out;
        for (const QChar c : letters)
            out.append(c == u'-' ? QString() : u"/d/" + QString(c));
        return out;
    }

    CRegSettings store = CRegSettings::forProgram();
    RecentLaunchList recent{store};
};

struct AddCase {
    const char* name;
    QString before; ///< one letter per stored value, '-' for a gap
    QString added;
    QString after; ///< values "1" … "11", '-' for missing
    bool changed;
};

// Every case of the reordering, read back from the settings file.
TEST_F(RecentListTest, AddReordersAsDocumented)
{
    const AddCase cases[] = {
        {"empty list", "", "a", "a----------", true},
        {"new on top", "abc", "x", "xabc-------", true},
        {"found at four", "abcdefghij", "d", "dabcefghij-", true},
        {"already first", "abc", "a", "abc--------", false},
        {"full list drops the tenth", "abcdefghij", "x", "xabcdefghi-", true},
        {"eleventh value never moves", "abcdefghijk", "x", "xabcdefghik", true},
        {"gap ends the list", "ab-d", "x", "xabd-------", true},
        {"found beyond a gap", "ab-d", "d", "dab--------", true},
        {"case matters", "A", "a", "aA---------", true},
    };
    for (const AddCase& c : cases) {
        SetUp();
        stored(names(c.before));
        EXPECT_EQ(recent.add(QByteArray("/d/") + c.added.toUtf8()), c.changed) << c.name;
        // A gap copied down stays an empty value rather than a missing one.
        QStringList got = raw();
        std::replace(got.begin(), got.end(), QString(), QStringLiteral("-"));
        QStringList expected = names(c.after);
        std::replace(expected.begin(), expected.end(), QString(), QStringLiteral("-"));
        EXPECT_EQ(got, expected) << c.name;
    }
}

// Names that are not valid UTF-8 keep every byte; valid ones are stored as they are; an
// empty one never.
TEST_F(RecentListTest, StoredTextKeepsEveryByte)
{
    const QByteArray targets[] = {"/d/caf\xe9.txt", "/d/line\nbreak", "/d/ok \xc3\xa9.txt",
                                  "http://example.invalid/?a=1"};
    for (const QByteArray& target : targets) {
        ASSERT_TRUE(recent.add(target));
        EXPECT_EQ(recent.target(1), target);
    }
    EXPECT_EQ(recent.entry(1), QStringLiteral("http://example.invalid/?a=1"));
    EXPECT_EQ(recent.entry(2), QString::fromUtf8("/d/ok \xc3\xa9.txt"));
    EXPECT_EQ(recent.entry(4), QStringLiteral("file:///d/caf%E9.txt"));
    EXPECT_FALSE(recent.add(QByteArray()));
    EXPECT_EQ(recent.entries().size(), 4);
}

TEST(RecentMenuTest, Captions)
{
    const struct {
        int number;
        const char* stored;
        const char* caption;
    } cases[] = {
        {1, "/home/u/Docs/report.txt", "&1. report.txt"},
        {1, "/home/u/Docs/Report.final.doc", "&1. Report.final.doc"},
        {10, "/x/y", "&10. y"},
        {2, "HTTP://Example.invalid/a/b", "&2. HTTP://Example.invalid/a/b"},
        {3, "https://e.invalid/?a=1&b=2", "&3. https://e.invalid/?a=1&&b=2"},
        {4, "/d/Tom & Jerry.avi", "&4. Tom && Jerry.avi"},
        {5, "/d/line\nbreak.txt", "&5. line\u23CEbreak.txt"},
        {5, "/d/tab\tbell\a.txt", "&5. tab\uFFFDbell\uFFFD.txt"},
        {6, "file:///d/caf%E9.txt", "&6. caf\xef\xbf\xbd.txt"},
        {7, "/d/a:b.txt", "&7. a:b.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecentMenu::caption(c.number, QString::fromUtf8(c.stored)),
                  QString::fromUtf8(c.caption))
            << c.stored;
    }
}

// Items only ever grow, also when the list shrinks.
TEST(RecentMenuTest, ItemsOnlyGrow)
{
    QMenu menu;
    const QList<QAction*> actions = createRecentMenuItems(menu);
    ASSERT_EQ(actions.size(), 10); // "(Empty)" at first: see ItemDialogsEndToEnd

    RecentMenu state;
    state.load({QStringLiteral("/a/one.txt"), QStringLiteral("/a/two.txt")});
    fillRecentMenu(state, actions);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&1. one.txt"));
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_TRUE(actions[1]->isVisible());
    EXPECT_FALSE(actions[2]->isVisible());

    state.load({QStringLiteral("/a/three.txt")});
    fillRecentMenu(state, actions);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&1. three.txt"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("&2. two.txt"));
    EXPECT_TRUE(actions[1]->isVisible());
}

} // namespace
