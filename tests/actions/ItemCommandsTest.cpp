// Open with, Explore location, Properties, Copy to Clipboard and the File menu's rule, with no
// session bus (the file manager on one is driven end to end).

#include "actions/ItemCommands.h"
#include "DesktopFixture.h"
#include "ScriptedPrompt.h"
#include "actions/FileManagerBus.h"
#include "actions/FileMenuRules.h"
#include "actions/LaunchService.h"
#include "actions/MClipFileCopy.h"
#include "platform/FileUri.h"
#include "platform/ItemDialogs.h"
#include "shell/OpenWithDialog.h"
#include "shell/PropertiesDialog.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QSignalSpy>

#include <gio/gio.h>
#include <unistd.h>

namespace {

using Desktop::FakeHost;
using Desktop::makeFile;

struct FakeLauncher final : LaunchService {
    QList<QByteArray> launched;
    bool launch(const QByteArray& target) override
    {
        launched.append(target);
        return true;
    }
    void addToRecentDocs(const QList<QByteArray>&) override {}
};

struct FakeDialogs final : ItemDialogs {
    std::optional<AppChoice> answer;
    QList<AppEntry> offered;
    QString fileName;
    std::optional<FileProperties> shown;
    std::optional<AppChoice> chooseApplication(const QString& name, const QString&,
                                               const QList<AppEntry>& apps) override
    {
        fileName = name;
        offered = apps;
        return answer;
    }
    void showProperties(const FileProperties& properties) override { shown = properties; }
};

class ItemCommandsTest : public ::testing::Test {
protected:
    void SetUp() override { Desktop::clearLogs(); }

    FakeHost host;
    FakeLauncher launcher;
    FakeDialogs dialogs;
    ScriptedPrompt prompt;
    FileManagerBus bus{QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/kf-no-bus"), QStringLiteral("kf-no-bus"))};
};

TEST_F(ItemCommandsTest, ClipboardHoldsCopiedFiles)
{
    QClipboard& clipboard = *QApplication::clipboard();
    host.selected = {"/d/a b.txt", "/d/caf\xe9\nx", "/d/100%"};
    ASSERT_TRUE(mnuFileClip_Click(host, clipboard));
    const QMimeData* data = clipboard.mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data("text/uri-list"),
              "file:///d/a%20b.txt\r\nfile:///d/caf%E9%0Ax\r\nfile:///d/100%25\r\n");
    EXPECT_EQ(data->data("x-special/gnome-copied-files"),
              "copy\nfile:///d/a%20b.txt\nfile:///d/caf%E9%0Ax\nfile:///d/100%25");
    EXPECT_EQ(data->data("application/x-kde-cutselection"), "0");
    for (const QByteArray& path : host.selected)
        EXPECT_EQ(pathFromFileUri(fileUri(path)), path);

    // Nothing selected leaves the clipboard alone.
    host.selected.clear();
    EXPECT_FALSE(mnuFileClip_Click(host, clipboard));
    EXPECT_TRUE(clipboard.mimeData()->hasFormat("text/uri-list"));
}

// How the selection decides the single-row items is driven end to end; an empty list and the
// items that never change are checked here.
TEST(FileMenuRuleTest, EnabledItems)
{
    const QByteArray rows[] = {"mnuFileLaunch", "mnuFileClip",    "mnuFileCopy",
                               "mnuFileMove",   "mnuFileDelete",  "mnuFileOW",
                               "mnuFileRename", "mnuFileExplore", "mnuFileProp"};
    const QByteArray always[] = {"mnuFileRecent", "mnuFileSelAll", "mnuFileSysTray", "mnuFileExit"};
    for (const int rowCount : {0, 5}) {
        QHash<QByteArray, bool> got;
        for (const MenuItemState& s : fileMenuRule(rowCount, 0))
            got.insert(s.objectName, s.enabled);
        for (const QByteArray& name : rows)
            EXPECT_EQ(got.value(name), rowCount > 0) << name.constData();
        for (const QByteArray& name : always)
            EXPECT_TRUE(got.value(name)) << name.constData();
    }
    for (const int selected : {1, 3}) {
        for (const MenuItemState& s : popupMenuRule(selected))
            EXPECT_EQ(s.enabled, selected == 1) << s.objectName;
    }
}

// Deleted since it was listed, or nothing selected.
TEST_F(ItemCommandsTest, VanishedOrNothingSelected)
{
    ExploreLocationCommand explore(host, bus, launcher);
    PropertiesCommand properties(host, bus, dialogs, prompt);
    OpenWithCommand openWith(host, dialogs, prompt);
    explore.mnuFileExplore_Click();
    properties.mnuFileProp_Click();
    openWith.mnuFileOW_Click();
    EXPECT_TRUE(launcher.launched.isEmpty());
    EXPECT_TRUE(prompt.asked().isEmpty());
    EXPECT_FALSE(dialogs.shown || !dialogs.offered.isEmpty());

    const QByteArray gone = makeFile("gone\nsoon.txt");
    std::remove(gone.constData());
    host.selected = {gone};
    explore.mnuFileExplore_Click();
    EXPECT_EQ(launcher.launched, QList<QByteArray>{Desktop::files()});
    properties.mnuFileProp_Click();
    openWith.mnuFileOW_Click();
    ASSERT_EQ(prompt.asked().size(), 2);
    EXPECT_EQ(prompt.asked()[0].text, QStringLiteral("File no longer exists."));
    EXPECT_TRUE(prompt.asked()[1].text.endsWith(u"Description: File no longer exists."));
    EXPECT_FALSE(dialogs.shown.has_value());

    // Still there, but not to be read by its path: the reason is told, not "no longer exists".
    prompt.clear();
    host.selected = {Desktop::files() + '/' + QByteArray(300, 'n') + ".txt"};
    properties.mnuFileProp_Click();
    ASSERT_EQ(prompt.asked().size(), 1);
    EXPECT_TRUE(prompt.asked()[0].text.endsWith(u"could not be read: File name too long"))
        << prompt.asked()[0].text.toStdString();

    // A link whose target is gone: nothing to open, and no program is offered for links.
    prompt.clear();
    const QByteArray dangling = Desktop::files() + "/dangling.txt";
    ASSERT_EQ(::symlink("/nonexistent/kf-target.txt", dangling.constData()), 0);
    host.selected = {dangling};
    openWith.mnuFileOW_Click();
    EXPECT_TRUE(dialogs.offered.isEmpty());
    ASSERT_EQ(prompt.asked().size(), 1);
    EXPECT_TRUE(prompt.asked()[0].text.endsWith(u"Description: File no longer exists."));
}

// The chosen program opens the file; "always use" makes it the type's default (a cancel is
// driven end to end).
TEST_F(ItemCommandsTest, OpenWithChosenProgram)
{
    const QByteArray path = makeFile("pick\xe9.kfdoc");
    host.selected = {path, makeFile("second.kfdoc")};
    OpenWithCommand openWith(host, dialogs, prompt);
    dialogs.answer = AppChoice{"kf-other.desktop", true};
    openWith.mnuFileOW_Click();
    EXPECT_TRUE(Desktop::waitLaunched(path, Desktop::otherLog()));
    EXPECT_EQ(Desktop::launched(Desktop::otherLog()), QList<QByteArray>{path});
    EXPECT_EQ(dialogs.fileName, QString::fromUtf8(QByteArray("pick\xe9.kfdoc")));
    QList<QByteArray> ids;
    for (const AppEntry& app : dialogs.offered)
        ids.append(app.id);
    EXPECT_TRUE(ids.contains("kf-record.desktop") && ids.contains("kf-other.desktop"));
    GAppInfo* preferred = g_app_info_get_default_for_type("application/x-kfdoc", FALSE);
    ASSERT_NE(preferred, nullptr);
    EXPECT_STREQ(g_app_info_get_id(preferred), "kf-other.desktop");
    g_object_unref(preferred);
    EXPECT_TRUE(prompt.asked().isEmpty());
}

// Keyboard only: the list has the focus, arrows move (over the headings between programs for
// the type and the others), Space ticks "always", Enter accepts.
TEST(OpenWithDialogTest, KeyboardAndNames)
{
    const QList<AppEntry> apps = {{"one.desktop", QStringLiteral("One"), {}, true, true},
                                  {"two.desktop", QStringLiteral("Two"), {}, false, false}};
    OpenWithDialog dialog(QStringLiteral("a.txt"), QStringLiteral("Text"), apps);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("programList"));
    auto* always = dialog.findChild<QCheckBox*>(QStringLiteral("alwaysUse"));
    ASSERT_TRUE(list && always);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(list)->text(QAccessible::Name),
              QStringLiteral("Programs"));
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("Other Programs"));
    EXPECT_EQ(dialog.choice()->appId, "one.desktop") << "the first program, not a heading";
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_TRUE(always->hasFocus());
    QTest::keyClick(always, Qt::Key_Space);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::keyClick(always, Qt::Key_Return);
    EXPECT_EQ(accepted.count(), 1);
    const auto choice = dialog.choice();
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->appId, "two.desktop");
    EXPECT_TRUE(choice->alwaysUse);
}

// A name or path of hundreds of characters, as Linux allows, must not make a dialog wider than
// the screen: its buttons would be out of reach.
TEST(ItemDialogsTest, LongNamesKeepTheDialogsNarrow)
{
    const QString name = QString(240, u'n') + u"\n.txt";
    const QList<AppEntry> apps = {{"one.desktop", QStringLiteral("One"), {}, true, true}};
    OpenWithDialog openWith(name, QStringLiteral("Text"), apps);
    EXPECT_LT(openWith.sizeHint().width(), 900);
    auto* label = openWith.findChild<QLabel*>(QStringLiteral("fileLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->text().contains(u'\n')) << "the line break shows as a mark";

    FileProperties p;
    p.name = name;
    p.location = u'/' + QString(300, u'd');
    p.isLink = true;
    p.linkTarget = u'/' + QString(400, u't');
    p.typeName = QStringLiteral("Text");
    PropertiesDialog properties(p);
    EXPECT_LT(properties.sizeHint().width(), 900);
    // The fields hold the whole texts, to read and copy exactly.
    auto* target = properties.findChild<QLineEdit*>(QStringLiteral("target"));
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->text(), p.linkTarget);
    EXPECT_EQ(properties.findChild<QLineEdit*>(QStringLiteral("name"))->text(),
              QString(240, u'n') + QChar(0x23CE) + u".txt");
}

// A link tells what it holds and the size of what it leads to; one that leads nowhere says so.
TEST(PropertiesDialogTest, LinksShowTheirTargetAndItsSize)
{
    const QByteArray file = Desktop::makeFile("six.txt", "123456");
    const QByteArray link = Desktop::files() + "/six-link";
    const QByteArray broken = Desktop::files() + "/nowhere-link";
    ASSERT_EQ(::symlink(file.constData(), link.constData()), 0);
    ASSERT_EQ(::symlink("gone/away", broken.constData()), 0);
    const auto linked = readFileProperties(link);
    ASSERT_TRUE(linked.has_value());
    EXPECT_TRUE(linked->isLink && linked->linkError == 0 && linked->hasSize);
    EXPECT_EQ(linked->size, 6);
    EXPECT_EQ(linked->linkTarget, QString::fromUtf8(file));
    const auto nowhere = readFileProperties(broken);
    ASSERT_TRUE(nowhere.has_value());
    EXPECT_EQ(nowhere->linkError, ENOENT);
    EXPECT_FALSE(nowhere->hasSize);
    EXPECT_EQ(nowhere->linkTarget, u"gone/away"_qs);
    PropertiesDialog dialog(*nowhere);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("type"))->text(),
              u"Link to an item that is gone"_qs);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("size")), nullptr);
    // A link in a loop says so: it is not gone, and the user can follow where it leads.
    const QByteArray loop = Desktop::files() + "/loop-link";
    ASSERT_EQ(::symlink("loop-link", loop.constData()), 0);
    const auto looping = readFileProperties(loop);
    ASSERT_TRUE(looping.has_value());
    EXPECT_EQ(PropertiesDialog(*looping).findChild<QLabel*>(QStringLiteral("type"))->text(),
              u"Link that leads round in a loop"_qs);
    ::unlink(loop.constData());
    const auto folder = readFileProperties(Desktop::files());
    ASSERT_TRUE(folder.has_value());
    EXPECT_FALSE(folder->hasSize);
    ::unlink(link.constData());
    ::unlink(broken.constData());

    EXPECT_EQ(PropertiesDialog::sizeText(1), u"1 byte"_qs);
    EXPECT_EQ(PropertiesDialog::sizeText(1023), u"1,023 bytes"_qs);
}

TEST(PropertiesDialogTest, PermissionTexts)
{
    const struct {
        unsigned mode;
        const char* text;
    } cases[] = {{0100644, "rw-r--r-- (644)"},
                 {0104755, "rwsr-xr-x (4755)"},
                 {0041777, "rwxrwxrwt (1777)"},
                 {0102640, "rw-r-S--- (2640)"}};
    for (const auto& c : cases)
        EXPECT_EQ(permissionText(c.mode), QString::fromLatin1(c.text)) << c.text;
}

} // namespace
