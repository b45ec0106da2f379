#include "shell/FileOpDialogs.h"

#include "ByteFiles.h"
#include "platform/FileJob.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

namespace bf = bytefiles;

namespace {

template<typename Dialog> Dialog* waitForVisible(QWidget& window)
{
    Dialog* found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] {
            found = window.findChild<Dialog*>();
            return found && found->isVisible();
        },
        5000);
    return shown ? found : nullptr;
}

QPushButton* button(QWidget* dialog, const char* name)
{
    return dialog->findChild<QPushButton*>(QLatin1String(name));
}

class FileOpDialogsTest : public ::testing::Test {
protected:
    FileOpDialogsTest()
    {
        bf::mkdir(m_root + "/to");
        m_window.show();
    }
    bf::TempFolder m_dir;
    QByteArray m_root = m_dir.path();
    QWidget m_window;
    FileOpDialogs m_ui{&m_window};
};

TEST_F(FileOpDialogsTest, TheConflictDialogNamesBothItemsAndEachAnswerActs)
{
    struct Case {
        const char* press; // a button's name, or "" for the Escape key
        QByteArray targetAfter;
        bool aborted;
    };
    const Case cases[] = {{"replace", "n", false},
                          {"skip", "older!", false},
                          {"keepBoth", "older!", false},
                          {"", "older!", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.press);
        bf::write(m_root + "/a\xff.txt", "n");
        bf::write(m_root + "/to/a\xff.txt", "older!");
        FileJob job({FileOpRequest::Kind::Copy, {m_root + "/a\xff.txt"}, m_root + "/to"}, m_ui);
        QSignalSpy done(&job, &FileJob::finished);
        job.start();
        auto* dialog = waitForVisible<ConflictDialog>(m_window);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isModal());
        const QString text = dialog->accessibleDescription();
        EXPECT_EQ(text.count(QStringLiteral("a\uFFFD.txt")), 2) << qPrintable(text);
        EXPECT_TRUE(text.contains(QStringLiteral("1 byte,")) &&
                    text.contains(QStringLiteral("6 bytes,")))
            << qPrintable(text);
        for (const char* name : {"replace", "skip", "keepBoth", "cancel", "applyToAll"})
            EXPECT_FALSE(dialog->findChild<QWidget*>(name)->accessibleName().isEmpty()) << name;
        if (*c.press)
            QTest::mouseClick(button(dialog, c.press), Qt::LeftButton);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
        ASSERT_TRUE(done.wait(5000));
        EXPECT_EQ(job.outcome().aborted, c.aborted);
        EXPECT_EQ(bf::read(m_root + "/to/a\xff.txt"), c.targetAfter);
        const std::optional<QByteArray> second =
            QByteArray(c.press) == "keepBoth" ? std::optional<QByteArray>("n") : std::nullopt;
        EXPECT_EQ(bf::read(m_root + "/to/a\xff (2).txt"), second);
        ::unlink(QByteArray(m_root + "/to/a\xff (2).txt").constData());
    }
}

// Replace says what it does: a folder onto a folder merges the two, and a file and a folder
// cannot replace each other, so that case offers no Replace at all.
TEST_F(FileOpDialogsTest, ReplaceIsOfferedAsWhatItDoes)
{
    const FileFacts file{m_root + "/x", 1, QDateTime::currentDateTime(), false};
    FileFacts folder = file;
    folder.isFolder = true;
    const auto replace = [](const ConflictDialog& dialog) {
        return dialog.findChild<QPushButton*>(QStringLiteral("replace"));
    };
    ConflictDialog files(ConflictQuestion{file, file}, &m_window);
    EXPECT_EQ(replace(files)->text(), u"&Replace"_qs);
    EXPECT_FALSE(replace(files)->isHidden());
    ConflictDialog folders(ConflictQuestion{folder, folder}, &m_window);
    EXPECT_EQ(replace(folders)->text(), u"&Merge"_qs);
    for (const auto& [source, target] : {std::pair{file, folder}, std::pair{folder, file}}) {
        ConflictDialog mixed(ConflictQuestion{source, target}, &m_window);
        EXPECT_EQ(replace(mixed), nullptr);
        EXPECT_FALSE(button(&mixed, "keepBoth")->isHidden());
    }
}

// A long name without a space wraps, and with large text (a scaled or small screen) a
// question's lines need more than the two thirds of the screen Qt gives a new window: either
// way the question shows its whole text within the screen, with room for its title bar also
// over a window at the screen's top, and a screen reader gets the name without break marks.
TEST_F(FileOpDialogsTest, QuestionsShowTheirWholeTextWithinTheScreen)
{
    const QRect screen = m_window.screen()->availableGeometry();
    m_window.setGeometry(QRect(screen.topLeft(), QSize(200, 100)));
    const struct {
        QByteArray path;
        int pixelSize; ///< of the font; 0: the default
    } cases[] = {{m_root + '/' + QByteArray(250, 'L') + "\xc3\xa9.txt", 0},
                 {m_root + "/a folder of some length/" + QByteArray(60, 'n') + ".txt", 28}};
    for (const auto& c : cases) {
        FileFacts facts{c.path, 10, QDateTime::currentDateTime(), false};
        ConflictDialog conflict(ConflictQuestion{facts, facts}, &m_window);
        ErrorDialog error(ErrorQuestion{c.path, u"Cannot copy: Input/output error"_qs}, &m_window);
        for (QDialog* dialog : {static_cast<QDialog*>(&conflict), static_cast<QDialog*>(&error)}) {
            SCOPED_TRACE(dialog->objectName().toStdString() + ' ' + std::to_string(c.pixelSize));
            if (c.pixelSize) {
                QFont large = dialog->font();
                large.setPixelSize(c.pixelSize);
                dialog->setFont(large);
            }
            dialog->show();
            QLabel* text = dialog->findChild<QLabel*>();
            ASSERT_NE(text, nullptr);
            EXPECT_GE(text->height(), text->heightForWidth(text->width())) << "lines cut off";
            EXPECT_TRUE(screen.contains(dialog->geometry())) << "not within the screen";
            EXPECT_GE(dialog->geometry().top(),
                      screen.top() + dialog->style()->pixelMetric(QStyle::PM_TitleBarHeight))
                << "its title bar above the screen";
            bool named = false;
            for (QLabel* label : dialog->findChildren<QLabel*>())
                named = named || label->accessibleName().contains(QString::fromUtf8(c.path));
            EXPECT_TRUE(named);
            dialog->hide();
        }
    }
}

// The question the job waits for stays in front of its progress: while a question is open the
// progress waits (it would only come between the user and the question, and be blocked by it),
// and a question asked while the progress shows belongs to it, so that a window manager keeps
// it on top. Driven directly, as a job's worker would: the job itself never runs.
TEST_F(FileOpDialogsTest, AQuestionStaysInFrontOfTheProgress)
{
    const FileOpRequest request{FileOpRequest::Kind::Copy, {m_root + "/x"}, m_root + "/to"};
    FileJob job(request, m_ui);
    const ErrorQuestion question{m_root + "/x", QStringLiteral("Permission denied"), true};

    m_ui.started(job, request);
    m_ui.askError(job, question);
    auto* first = waitForVisible<ErrorDialog>(m_window);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->parentWidget(), &m_window);
    QTest::qWait(FileOpDialogs::kProgressDelayMs + 300);
    EXPECT_EQ(m_window.findChild<FileProgressDialog*>(), nullptr) << "the progress came first";

    // Answered: the progress that was held back shows, and the next question is its own.
    QTest::mouseClick(button(first, "skip"), Qt::LeftButton);
    auto* progress = waitForVisible<FileProgressDialog>(m_window);
    ASSERT_NE(progress, nullptr);
    m_ui.askError(job, question);
    ErrorDialog* second = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        second = progress->findChild<ErrorDialog*>();
        return second && second->isVisible();
    }));
    EXPECT_TRUE(second->isModal());

    // The job's end closes both: the question and the progress that no longer moves.
    m_ui.finished({});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_window.findChild<ErrorDialog*>(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_window.findChild<FileProgressDialog*>(); }, 5000));
}

} // namespace
