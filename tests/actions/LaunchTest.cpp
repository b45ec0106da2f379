// Launching through GIO with the test's own desktop: real programs started, the two
// "Oops!" texts, recent documents in recently-used.xbel, the launch command end to end, and
// the "Recent Files" list in the real settings file with the Recently Launched menu built
// from it.

#include "DesktopFixture.h"
#include "ScriptedPrompt.h"
#include "actions/LaunchCommand.h"
#include "actions/LaunchService.h"
#include "actions/RecentLaunchList.h"
#include "actions/RecentMenu.h"
#include "platform/FileUri.h"
#include "platform/Launcher.h"
#include "platform/RecentDocuments.h"
#include "settings/CRegSettings.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSet>

#include <glib.h>

#include <algorithm>

namespace {

const QString kNotFound = QStringLiteral("There was an error launching the file.\r\n\r\n"
                                         "Error Code: 2\r\n\r\nDescription: "
                                         "File no longer exists.");
const QString kNoApp = QStringLiteral("There was an error launching the file.\r\n\r\n"
                                      "Error Code: 1155\r\n\r\nDescription: "
                                      "No application is associated with the specified file.");

using Desktop::FakeHost;
using Desktop::makeFile;

/// The xbel bookmark of `uri`: its MIME type, and the command it gives this program for the
/// item (empty when the program is not named for it).
std::pair<QByteArray, QByteArray> bookmarkOf(const QByteArray& uri)
{
    GBookmarkFile* file = g_bookmark_file_new();
    QByteArray mime, command;
    char* exec = nullptr;
    if (g_bookmark_file_load_from_file(file, recentDocumentsFile().constData(), nullptr)) {
        if (gchar* type = g_bookmark_file_get_mime_type(file, uri.constData(), nullptr)) {
            mime = type;
            g_free(type);
        }
        if (g_bookmark_file_get_application_info(file, uri.constData(), "Kestrelfind", &exec,
                                                 nullptr, nullptr, nullptr)) {
            command = exec;
            g_free(exec);
        }
    }
    g_bookmark_file_free(file);
    return {mime, command};
}

const QString kSection = QStringLiteral("Recent Files");

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Desktop::clearLogs();
        for (int i = 1; i <= 12; ++i)
            store.DeleteSetting(kSection, QString::number(i));
    }
    /// Stores "/d/" and each letter as values "1", "2", …; '-' leaves that value out.
    void stored(const QString& letters)
    {
        for (int i = 0; i < letters.size(); ++i) {
            if (letters[i] != u'-')
                store.SaveSetting(kSection, QString::number(i + 1), u"/d/" + letters[i]);
        }
    }
    /// Values "1" … "11" by their letter after "/d/"; '-' for a missing or empty one (a gap
    /// copied down stays an empty value).
    QString raw() const
    {
        QString out;
        for (int i = 1; i <= 11; ++i) {
            const QString value = store.GetSetting(kSection, QString::number(i));
            out += value.isEmpty() ? u"-"_qs : value.startsWith(u"/d/") ? value.mid(3) : value;
        }
        return out;
    }

    ScriptedPrompt prompt;
    CRegSettings store = CRegSettings::forProgram();
    RecentLaunchList recent{store};
    DesktopLaunchService service{prompt};
    FakeHost host;
    LaunchCommand command{host, service, recent};
};

// Awkward names are started with their exact bytes and recorded with their exact bytes;
// folders and addresses go to their programs.
TEST_F(LaunchTest, StartsTheDefaultProgramWithTheExactPath)
{
    const QByteArray names[] = {"plain.txt", "with space.txt", "caf\xe9-latin1.txt",
                                "line\nbreak.txt", "quote'and\"dollar$.txt"};
    for (const QByteArray& name : names) {
        const QByteArray path = makeFile(name);
        EXPECT_TRUE(LaunchFile(prompt, path)) << name.constData();
        EXPECT_TRUE(Desktop::waitLaunched(path)) << name.constData();
        EXPECT_TRUE(addToRecentDocuments({path}));
        // A command that opens the item again (the window takes no file to open).
        EXPECT_EQ(bookmarkOf(fileUri(path)),
                  std::make_pair(QByteArray("text/plain"), QByteArray("gio open " + fileUri(path))))
            << name.constData();
    }
    for (const QByteArray& target :
         {Desktop::files(), QByteArray("http://example.invalid/a%20b?x=1&y=2")}) {
        EXPECT_TRUE(LaunchFile(prompt, target));
        EXPECT_TRUE(Desktop::waitLaunched(target)) << target.constData();
    }
    EXPECT_TRUE(prompt.asked().isEmpty());
}

// Shortcuts open their address; a launcher starts its application only when trusted (in an
// applications folder, or executable by its owner), otherwise it opens as a file.
TEST_F(LaunchTest, ShortcutsAndLaunchersOpenWhatTheyPointAt)
{
    const QByteArray recorder = Desktop::home() + "/bin/record";
    const auto launcher = [&](const QByteArray& marker) -> QByteArray {
        return "[Desktop Entry]\nType=Application\nName=Tool\nExec=" + recorder + " " + marker +
               "\n";
    };
    const QByteArray url =
        makeFile("site.url", "[InternetShortcut]\r\nURL=http://example.invalid/from-url\r\n");
    // The list shows an address cut at 2,047 characters; a launch opens all of it.
    const QByteArray longAddress = "http://example.invalid/" + QByteArray(3000, 'a') + "/end";
    const QByteArray longUrl =
        makeFile("long.url", "[InternetShortcut]\nURL=" + longAddress + "\n");
    const QByteArray link = makeFile("page\xe9.desktop", "[Desktop Entry]\nType=Link\nName=L\n"
                                                         "URL=http://example.invalid/from-link\n");
    const QByteArray executable = makeFile("tool.desktop", launcher("exec-marker"));
    ::chmod(executable.constData(), 0755);
    const QByteArray installed = Desktop::dataHome() + "/applications/kf-tool.desktop";
    Desktop::writeFile(installed, launcher("apps-marker"));
    const QByteArray untrusted = makeFile("downloaded.desktop", launcher("untrusted-marker"));
    // Links open what they lead to; a link to an installed launcher is trusted as it is.
    const auto linkTo = [](const QByteArray& target, const char* name) {
        const QByteArray path = Desktop::files() + '/' + name;
        EXPECT_EQ(::symlink(target.constData(), path.constData()), 0) << name;
        return path;
    };
    const QByteArray linkedUrl = linkTo(url, "linked-site.url");
    const QByteArray linkedInstalled = linkTo(installed, "linked-tool.desktop");
    const QByteArray linkedUntrusted = linkTo(untrusted, "linked-downloaded.desktop");

    const QByteArray expected[][2] = {{url, "http://example.invalid/from-url"},
                                      {link, "http://example.invalid/from-link"},
                                      {longUrl, longAddress},
                                      {executable, "exec-marker"},
                                      {installed, "apps-marker"},
                                      {linkedUrl, "http://example.invalid/from-url"},
                                      {linkedInstalled, "apps-marker"}};
    for (const auto& [target, started] : expected) {
        Desktop::clearLogs(); // each one's own start is seen
        EXPECT_TRUE(service.launch(target)) << target.constData();
        EXPECT_TRUE(Desktop::waitLaunched(started)) << target.constData();
    }
    EXPECT_TRUE(prompt.asked().isEmpty());

    // The untrusted launcher is opened as a file (or refused): its command never runs.
    service.launch(untrusted);
    service.launch(linkedUntrusted);
    const QByteArray after = makeFile("after.txt");
    EXPECT_TRUE(service.launch(after));
    EXPECT_TRUE(Desktop::waitLaunched(after));
    EXPECT_FALSE(Desktop::launched().contains("untrusted-marker"));
}

// A file: address opens the file it names, however it is spelled, and no other; a bare name
// is taken from the shortcut's folder; a shortcut written in the Windows code page keeps its
// letters.
TEST_F(LaunchTest, ShortcutAddressesOpenTheFileMeantAndNoOther)
{
    const QByteArray txt = makeFile("page.txt");
    const QByteArray cut = makeFile("page"); // what a NUL would cut the name to
    const QByteArray url = makeFile("x.url");
    const QByteArray spellings[] = {"file:" + txt,
                                    "FILE://" + txt,
                                    "File://LOCALHOST" + txt,
                                    "file://" + txt + "#part",
                                    "file://" + txt + "?q=1",
                                    "page.txt"};
    for (const QByteArray& address : spellings) {
        Desktop::clearLogs();
        Desktop::writeFile(url, "[InternetShortcut]\nURL=" + address + "\n");
        EXPECT_TRUE(service.launch(url)) << address.constData();
        EXPECT_TRUE(Desktop::waitLaunched(txt)) << address.constData();
    }
    EXPECT_TRUE(prompt.asked().isEmpty());

    Desktop::clearLogs();
    Desktop::writeFile(url, "[InternetShortcut]\nURL=file://" + cut + "%00.txt\n");
    EXPECT_FALSE(service.launch(url));
    ASSERT_EQ(prompt.asked().size(), 1);
    EXPECT_EQ(prompt.asked()[0].text, kNotFound);
    EXPECT_EQ(pathFromFileUri("file://" + cut + "%00.txt"), std::nullopt); // nor dropped

    Desktop::writeFile(url, "[InternetShortcut]\nURL=http://example.invalid/caf\xe9\n");
    EXPECT_TRUE(service.launch(url));
    EXPECT_TRUE(Desktop::waitLaunched("http://example.invalid/caf\xc3\xa9"));
    EXPECT_FALSE(Desktop::launched().contains(cut));
}

// The two failures the user is told about, each with the program's own words.
TEST_F(LaunchTest, VanishedFilesAndUnknownTypesShowOops)
{
    // A file deleted since it was listed and a type no program opens: see the end-to-end tests.
    const std::pair<QByteArray, QString> cases[] = {{"", kNotFound},
                                                    {"kfnosuchscheme://x", kNoApp}};
    for (const auto& [target, text] : cases) {
        prompt.clear();
        EXPECT_FALSE(LaunchFile(prompt, target)) << target.constData();
        ASSERT_EQ(prompt.asked().size(), 1);
        EXPECT_EQ(prompt.asked()[0].text, text); // the box's title and icon: end to end
    }
    EXPECT_TRUE(Desktop::launched().isEmpty());
}

// A trusted launcher GIO will not start says why: the program it names is missing, or the
// file is no launcher at all. "No application is associated" would send the user looking for
// a file type's program.
TEST_F(LaunchTest, ABrokenLauncherSaysWhatIsWrongWithIt)
{
    const std::pair<QByteArray, QString> cases[] = {
        {"[Desktop Entry]\nType=Application\nName=T\nExec=/nonexistent/kf-program %f\n",
         u"The program the launcher starts was not found: /nonexistent/kf-program"_qs},
        {"[Desktop Entry]\nType=Application\nName=T\nTryExec=kf-no-such-tool\nExec=true\n",
         u"The program the launcher needs was not found: kf-no-such-tool"_qs},
        // TryExec names one program, blanks and all: it is there, so Path is what is wrong.
        {"[Desktop Entry]\nType=Application\nName=T\nTryExec=" + Desktop::home() +
             "/bin/my tool\nExec=true\nPath=/nonexistent/kf-folder\n",
         u"Failed to change to directory"_qs},
        {"not a launcher \x01\x02", u"The launcher cannot be read: "_qs},
        {"[Other]\nName=T\n", u"The launcher has no [Desktop Entry] group."_qs},
        {"[Desktop Entry]\nType=Application\nName=T\nExec=true \"unclosed\n",
         u"The launcher's command cannot be read: "_qs},
        {"[Desktop Entry]\nType=Application\nName=T\nExec=\n",
         u"The launcher's command cannot be read: "_qs},
        {"[Desktop Entry]\nType=Application\nName=T\n",
         u"The launcher names no program to start (no Exec line)."_qs},
    };
    const QByteArray tool = Desktop::home() + "/bin/my tool";
    Desktop::writeFile(tool, "#!/bin/sh\n");
    ::chmod(tool.constData(), 0755);
    for (const auto& [contents, reason] : cases) {
        prompt.clear();
        const QByteArray path = makeFile("broken.desktop", contents);
        ::chmod(path.constData(), 0755);
        EXPECT_FALSE(service.launch(path)) << contents.constData();
        ASSERT_EQ(prompt.asked().size(), 1) << contents.constData();
        EXPECT_TRUE(prompt.asked()[0].text.startsWith(
            u"There was an error launching the file.\r\n\r\nError Code: 31\r\n\r\n"
            u"Description: "_qs +
            reason))
            << prompt.asked()[0].text.toStdString();
    }
    EXPECT_TRUE(Desktop::launched().isEmpty());
}

// Rows launched in list order; the failures are told. One that no program opens is recorded
// all the same, one that is gone is not.
TEST_F(LaunchTest, LaunchCommandRecordsWhatStillExists)
{
    const QByteArray a = makeFile("a.txt");
    const QByteArray odd = makeFile("b\xe9\nc.txt");
    const QByteArray none = makeFile("c.kfnone");
    const QByteArray gone = makeFile("d.txt");
    std::remove(gone.constData());
    host.selected = {a, none, odd, gone};
    command.mnuFileLaunch_Click();
    // The programs started run side by side: they may log in either order.
    EXPECT_TRUE(Desktop::waitLaunched(a));
    EXPECT_TRUE(Desktop::waitLaunched(odd));
    QList<QByteArray> started = Desktop::launched();
    std::sort(started.begin(), started.end());
    EXPECT_EQ(started, (QList<QByteArray>{a, odd}));
    EXPECT_EQ(prompt.asked().size(), 2);
    EXPECT_EQ(recent.entries().size(), 3);
    EXPECT_EQ(recent.target(1), odd);
    EXPECT_EQ(recent.target(2), none);
    EXPECT_EQ(recent.target(3), a);
    for (const QByteArray& recorded : {a, none, odd})
        EXPECT_FALSE(bookmarkOf(fileUri(recorded)).second.isEmpty()) << recorded.constData();
    EXPECT_TRUE(bookmarkOf(fileUri(gone)).second.isEmpty());

    // A recent item launches again without reordering the list.
    Desktop::clearLogs();
    command.mnuRecentLaunch_Click(2);
    EXPECT_TRUE(Desktop::waitLaunched(a));
    EXPECT_EQ(recent.target(1), odd);
}

// Nothing happens after a right-button press, on an empty list, or with nothing selected;
// the popup's Launch clears the right-button state first.
TEST_F(LaunchTest, LaunchCommandGuards)
{
    const QByteArray a = makeFile("guard.txt");
    host.selected = {a};
    host.button = 2;
    command.mnuFileLaunch_Click();
    host.button = 1;
    host.rows = 0;
    command.mnuFileLaunch_Click();
    host.rows = 1;
    host.selected.clear();
    command.mnuFileLaunch_Click();
    command.mnuRecentLaunch_Click(0); // an empty recent entry
    EXPECT_TRUE(prompt.asked().isEmpty());
    EXPECT_TRUE(recent.entries().isEmpty());
    EXPECT_EQ(store.GetSetting(kSection, QStringLiteral("1"), "unset"), QStringLiteral("unset"));

    host.selected = {a};
    host.button = 2;
    command.mnuPopLaunch_Click();
    EXPECT_EQ(host.button, 0);
    EXPECT_TRUE(Desktop::waitLaunched(a));
    EXPECT_EQ(recent.entries(), QStringList{QString::fromUtf8(a)});
}

TEST_F(LaunchTest, DamagedRecentDocumentsFileIsLeftAlone)
{
    const QByteArray damaged("<xbel version=\"1.0\"><bookmark href=");
    Desktop::writeFile(recentDocumentsFile(), damaged);
    EXPECT_FALSE(addToRecentDocuments({makeFile("kept.txt")}));
    QFile file(QFile::decodeName(recentDocumentsFile()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), damaged);
    file.remove();
}

struct AddCase {
    const char* name;
    QString before; ///< one letter per stored value, '-' for a gap
    QString added;
    QString after; ///< values "1" … "11" as raw() gives them
    bool changed;
};

// Every case of the reordering, read back from the settings file.
TEST_F(LaunchTest, AddReordersAsDocumented)
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
        stored(c.before);
        EXPECT_EQ(recent.add(QByteArray("/d/") + c.added.toUtf8()), c.changed) << c.name;
        EXPECT_EQ(raw(), c.after) << c.name;
    }
}

// Names that are not valid UTF-8 keep every byte; valid ones are stored as they are; an
// empty one never.
TEST_F(LaunchTest, StoredTextKeepsEveryByte)
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
        {10, "/x/y", "1&0. y"},
        {2, "HTTP://Example.invalid/a/b", "&2. HTTP://Example.invalid/a/b"},
        {3, "https://e.invalid/?a=1&b=2", "&3. https://e.invalid/?a=1&&b=2"},
        {4, "/d/Tom & Jerry.avi", "&4. Tom && Jerry.avi"},
        {5, "/d/line\nbreak.txt", "&5. line\u23CEbreak.txt"},
        {5, "/d/tab\tbell\a.txt", "&5. tab\uFFFDbell\uFFFD.txt"},
        {6, "file:///d/caf%E9.txt", "&6. caf\xef\xbf\xbd.txt"},
        {7, "/d/a:b.txt", "&7. a:b.txt"},
        // Long names are cut in the middle, keeping both ends.
        {8, "/d/aaaaaaaaaabbbbbbbbbbccccccccccddddddddddeeeeeeeeeeffffffffffgggggggggg.txt",
         "&8. aaaaaaaaaabbbbbbbbbbccccccccccd\u2026eeeeeeeffffffffffgggggggggg.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RecentMenu::caption(c.number, QString::fromUtf8(c.stored)),
                  QString::fromUtf8(c.caption))
            << c.stored;
    }
    // Each of the ten entries has its own access key.
    QSet<QKeySequence> keys;
    for (int number = 1; number <= RecentMenu::ItemCount; ++number)
        keys.insert(QKeySequence::mnemonic(RecentMenu::caption(number, u"/d/x"_qs)));
    EXPECT_EQ(keys.size(), RecentMenu::ItemCount);
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
    EXPECT_EQ(actions[0]->toolTip(), QStringLiteral("/a/one.txt")); // the name's folder too
    EXPECT_TRUE(menu.toolTipsVisible());
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
