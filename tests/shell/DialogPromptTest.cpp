#include "shell/DialogPrompt.h"

#include "ModalHelper.h"
#include "TempHome.h"
#include "shell/BreakableText.h"
#include "shell/BrowseDirectorysOnly.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <map>

namespace {

using SB = QMessageBox::StandardButton;

struct StyleCase {
    int style;
    const char* buttons; ///< shown buttons: O(k), C(ancel), Y(es), N(o)
    QMessageBox::Icon icon;
    int escapeAnswer;
};

class MsgBoxStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(MsgBoxStyleTest, ShowsTheStyleAndAnswersEachButton)
{
    const std::map<char, std::pair<SB, int>> answers = {{'O', {SB::Ok, MsgResult::Ok}},
                                                        {'C', {SB::Cancel, MsgResult::Cancel}},
                                                        {'Y', {SB::Yes, MsgResult::Yes}},
                                                        {'N', {SB::No, MsgResult::No}},
                                                        {'R', {SB::Retry, MsgResult::Retry}}};
    const StyleCase& c = GetParam();
    DialogPrompt prompt;
    for (const char* b = c.buttons; *b; ++b) {
        const auto [button, answer] = answers.at(*b);
        qsizetype shown = 0;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal click([&, button = button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            shown = box->buttons().size();
            icon = box->icon();
            ASSERT_NE(box->button(button), nullptr) << *b;
            box->button(button)->click();
        });
        EXPECT_EQ(prompt.MsgBox(QStringLiteral("Text"), c.style, QString()), answer) << *b;
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(shown, qsizetype(strlen(c.buttons)));
    }
    WhenModal escape([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(prompt.MsgBox(QStringLiteral("Text"), c.style, QString()), c.escapeAnswer);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, MsgBoxStyleTest,
    ::testing::Values(StyleCase{0, "O", QMessageBox::NoIcon, MsgResult::Ok},
                      StyleCase{1, "OC", QMessageBox::NoIcon, MsgResult::Cancel},
                      StyleCase{3, "YNC", QMessageBox::NoIcon, MsgResult::Cancel},
                      StyleCase{16, "O", QMessageBox::Critical, MsgResult::Ok},
                      StyleCase{36, "YN", QMessageBox::Question, MsgResult::No},
                      StyleCase{48, "O", QMessageBox::Warning, MsgResult::Ok},
                      StyleCase{53, "RC", QMessageBox::Warning, MsgResult::Cancel},
                      StyleCase{64, "O", QMessageBox::Information, MsgResult::Ok}));

TEST(DialogPrompt, MessageIsPlainTextAndReturnTakesTheDefaultButton)
{
    DialogPrompt prompt;
    QString text;
    Qt::TextFormat format = Qt::RichText;
    WhenModal look([&](QWidget* w) {
        text = withoutBreaks(qobject_cast<QMessageBox*>(w)->text());
        format = qobject_cast<QMessageBox*>(w)->textFormat();
        QTest::keyClick(w, Qt::Key_Return);
    });
    const QString markup = QStringLiteral("\"<b>x</b>.txt\" is already in the list.");
    EXPECT_EQ(prompt.MsgBox(markup, 52, QStringLiteral("Preset Exists")), MsgResult::Yes);
    EXPECT_EQ(text, markup);
    EXPECT_EQ(format, Qt::PlainText);

    WhenModal second([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
    EXPECT_EQ(prompt.MsgBox(QStringLiteral("Sure?"), 4 + 256, QString()), MsgResult::No);
}

// A message naming a long path wraps within the screen, its buttons in reach, and a screen
// reader gets the path whole, without the break marks. A path of thousands of characters is
// shown cut in the middle, so that the box is not taller than the screen either.
TEST(DialogPrompt, MessageWithALongPathStaysWithinTheScreen)
{
    DialogPrompt prompt;
    QString deep = u"/home/user"_qs;
    for (int level = 0; level < 40; ++level)
        deep += u'/' + QString(200, QChar(u'a' + level % 26));
    QString spaced = u"/home/user"_qs; // short runs: only the whole text's length tells
    for (int level = 0; level < 18; ++level)
        spaced += u"/part "_qs + QString::number(level) + u' ' + QString(180, u'b');
    const QStringList paths{u"/home/user/"_qs + QString(400, u'n') + u".txt"_qs,
                            deep + u"/target.txt"_qs, spaced + u"/target.txt"_qs};
    for (const QString& path : paths) {
        SCOPED_TRACE(path.size());
        const QString message =
            u"Are you sure you want to move \""_qs + path + u"\" to the Trash?"_qs;
        QSize size;
        QSize screen;
        bool shownWhole = false;
        QString shown;
        QString heard;
        WhenModal look([&](QWidget* w) {
            size = w->size();
            screen = w->screen()->availableGeometry().size();
            if (auto* label = w->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                const QRect room = label->contentsRect();
                shownWhole = label->fontMetrics()
                                 .boundingRect(room, Qt::TextWordWrap, label->text())
                                 .width() <= room.width();
                shown = withoutBreaks(label->text());
                heard = label->accessibleName();
            }
            QTest::keyClick(w, Qt::Key_Return);
        });
        EXPECT_EQ(prompt.MsgBox(message, 36, QStringLiteral("Confirm")), MsgResult::Yes);
        EXPECT_GT(size.width(), 0);
        EXPECT_LE(size.width(), screen.width());
        EXPECT_LE(size.height(), screen.height());
        EXPECT_TRUE(shownWhole) << "the path is cut at the box's edge";
        EXPECT_TRUE(shown.startsWith(u"Are you sure you want to move \"/home/user/"_qs));
        EXPECT_TRUE(shown.endsWith(path.right(40) + u"\" to the Trash?"_qs));
        EXPECT_EQ(heard.toStdString(), message.toStdString());
    }
}

TEST(DialogPrompt, InputBoxTellsCancelFromAnEmptyAnswer)
{
    DialogPrompt prompt;
    const auto answer = [&](std::function<void(QWidget*)> act) {
        WhenModal modal(std::move(act));
        return prompt.InputBox("Enter a name for new preset.", "Enter Name", "Old");
    };
    EXPECT_EQ(answer([&](QWidget* w) {
                  w->findChild<QLineEdit*>()->setText(QStringLiteral("Work <b>"));
                  qobject_cast<QDialog*>(w)->accept();
              }),
              QStringLiteral("Work <b>"));
    EXPECT_EQ(answer([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }), std::nullopt);
    EXPECT_EQ(answer([](QWidget* w) {
                  w->findChild<QLineEdit*>()->clear();
                  qobject_cast<QDialog*>(w)->accept();
              }),
              QString());
}

/// Opens the picker at `initial`, records the folder it shows, then accepts or cancels.
QString pick(const QString& initial, bool accept, QString* opened = nullptr)
{
    WhenModal handler([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (opened)
            *opened = dialog->directory().absolutePath();
        if (accept)
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    return BrowseForFolder(nullptr, QStringLiteral("Select a folder in which to search."), initial);
}

TEST(FolderPicker, OpensAtTheInitialFolderAndReturnsItWithoutTrailingSeparator)
{
    const TempHome home;
    const QString folder = home.mkdir(QStringLiteral("Data/Grüße"));
    QString opened;
    EXPECT_EQ(pick(folder + u'/', true, &opened), folder);
    EXPECT_EQ(opened, folder);
    EXPECT_EQ(pick(folder, false), QString()); // cancelled
    EXPECT_EQ(pick(QStringLiteral("//"), true), QStringLiteral("/"));
    // A file opens the folder holding it, as Copy to gives the current row's path.
    pick(home.write("Data/Grüße/plain.txt", "x"), false, &opened);
    EXPECT_EQ(opened, folder);
    // No or a missing initial path opens at home; the answer is still a folder.
    const QString workingFolder = QDir::currentPath();
    QDir::setCurrent(folder);
    for (const QString& initial : {QString(), home.path("gone"), home.path("gone/plain.txt")}) {
        const QString chosen = pick(initial, true, &opened);
        EXPECT_EQ(opened, QDir::homePath());
        EXPECT_TRUE(QFileInfo(chosen).isDir()) << chosen.toStdString();
        EXPECT_TRUE(chosen == u"/" || !chosen.endsWith(u'/')) << chosen.toStdString();
    }
    QDir::setCurrent(workingFolder);
}

} // namespace
