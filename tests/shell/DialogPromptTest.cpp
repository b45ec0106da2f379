#include "shell/DialogPrompt.h"

#include "ModalHelper.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

namespace {

using SB = QMessageBox::StandardButton;

struct StyleCase {
    int style;
    std::vector<std::pair<SB, int>> buttons; ///< shown buttons and the answer of each
    QMessageBox::Icon icon;
    int escapeAnswer;
};

class MsgBoxStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(MsgBoxStyleTest, ShowsTheStyleAndAnswersEachButton)
{
    const StyleCase& c = GetParam();
    DialogPrompt prompt;
    for (const auto& [button, answer] : c.buttons) {
        QList<SB> shown;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal click([&, button = button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* b : box->buttons())
                shown.append(box->standardButton(b));
            icon = box->icon();
            box->button(button)->click();
        });
        EXPECT_EQ(prompt.MsgBox(QStringLiteral("Text"), c.style, QStringLiteral("Title")), answer)
            << "style " << c.style;
        ASSERT_TRUE(click.seen());
        EXPECT_EQ(icon, c.icon) << "style " << c.style;
        EXPECT_EQ(shown.size(), qsizetype(c.buttons.size())) << "style " << c.style;
        for (const auto& expected : c.buttons)
            EXPECT_TRUE(shown.contains(expected.first)) << "style " << c.style;
    }

    WhenModal escape([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(prompt.MsgBox(QStringLiteral("Text"), c.style, QStringLiteral("Title")),
              c.escapeAnswer)
        << "style " << c.style;
}

INSTANTIATE_TEST_SUITE_P(
    Styles, MsgBoxStyleTest,
    ::testing::Values(
        StyleCase{0, {{SB::Ok, MsgResult::Ok}}, QMessageBox::NoIcon, MsgResult::Ok},
        StyleCase{1,
                  {{SB::Ok, MsgResult::Ok}, {SB::Cancel, MsgResult::Cancel}},
                  QMessageBox::NoIcon,
                  MsgResult::Cancel},
        StyleCase{4,
                  {{SB::Yes, MsgResult::Yes}, {SB::No, MsgResult::No}},
                  QMessageBox::NoIcon,
                  MsgResult::No},
        StyleCase{
            3,
            {{SB::Yes, MsgResult::Yes}, {SB::No, MsgResult::No}, {SB::Cancel, MsgResult::Cancel}},
            QMessageBox::NoIcon,
            MsgResult::Cancel},
        StyleCase{16, {{SB::Ok, MsgResult::Ok}}, QMessageBox::Critical, MsgResult::Ok},
        StyleCase{36,
                  {{SB::Yes, MsgResult::Yes}, {SB::No, MsgResult::No}},
                  QMessageBox::Question,
                  MsgResult::No},
        StyleCase{48, {{SB::Ok, MsgResult::Ok}}, QMessageBox::Warning, MsgResult::Ok},
        StyleCase{64, {{SB::Ok, MsgResult::Ok}}, QMessageBox::Information, MsgResult::Ok}));

TEST(DialogPrompt, MessageShowsTitleAndPlainTextWithTheFirstButtonAsDefault)
{
    DialogPrompt prompt;
    QString title, text;
    Qt::TextFormat format = Qt::RichText;
    SB defaultButton = SB::NoButton;
    WhenModal look([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        title = box->windowTitle();
        text = box->text();
        format = box->textFormat();
        defaultButton = box->standardButton(box->defaultButton());
        QTest::keyClick(w, Qt::Key_Return);
    });
    const QString markup = QStringLiteral("\"<b>x</b>.txt\" is already in the list.");
    EXPECT_EQ(prompt.MsgBox(markup, 52, QStringLiteral("Preset Exists")), MsgResult::Yes);
    EXPECT_EQ(title, QStringLiteral("Preset Exists"));
    EXPECT_EQ(text, markup);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(defaultButton, SB::Yes);

    WhenModal second([&](QWidget* w) {
        title = w->windowTitle();
        QTest::keyClick(w, Qt::Key_Return);
    });
    EXPECT_EQ(prompt.MsgBox(QStringLiteral("Sure?"), 4 + 256, QString()), MsgResult::No);
    EXPECT_EQ(title, QStringLiteral("Kestrelfind"));
}

TEST(DialogPrompt, InputBoxShowsTheDefaultAndTellsCancelFromAnEmptyAnswer)
{
    DialogPrompt prompt;
    QString shownDefault;
    {
        WhenModal type([&](QWidget* w) {
            auto* edit = w->findChild<QLineEdit*>();
            shownDefault = edit->text();
            edit->setText(QStringLiteral("Work <b>"));
            qobject_cast<QDialog*>(w)->accept();
        });
        EXPECT_EQ(prompt.InputBox("Enter a name for new preset.", "Enter Name", "Old"),
                  QStringLiteral("Work <b>"));
    }
    EXPECT_EQ(shownDefault, QStringLiteral("Old"));
    {
        WhenModal cancel([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        EXPECT_EQ(prompt.InputBox("p", "t", "keep"), std::nullopt);
    }
    WhenModal empty([](QWidget* w) {
        w->findChild<QLineEdit*>()->clear();
        qobject_cast<QDialog*>(w)->accept();
    });
    EXPECT_EQ(prompt.InputBox("p", "t", "x"), QString());
}

} // namespace
