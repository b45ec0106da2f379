#pragma once

// The program started as main() starts it, under the test process's private HOME, and what
// this folder's tests share: the real settings file, named children, dialogs answered.
#include "HiveFiles.h"
#include "ModalHelper.h"
#include "SignalWait.h"
#include "TempHome.h"
#include "app/Form1.h"
#include "app/Program.h"
#include "shell/BreakableText.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace AppTest {

/// The settings file's text; empty when there is none.
inline QString settingsText()
{
    return QString::fromUtf8(readFile(hivePath()));
}

/// The child of `parent` named `name` (a failed expectation when there is none).
template<typename T> T* named(const QObject* parent, const char* name)
{
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

/// Checks that `w` is the message box `title`, its text `text` (with Qt::MatchContains:
/// holding it; empty: saying something), then presses `button`. Any other dialog is
/// cancelled so that the test goes on to report it.
inline DialogScript::Step answerBox(QString title, QMessageBox::StandardButton button,
                                    QString text = {}, Qt::MatchFlag match = Qt::MatchExactly)
{
    return [=](QWidget* w) {
        QMessageBox* box = qobject_cast<QMessageBox*>(w);
        if (!box) {
            ADD_FAILURE() << "expected \"" << title.toStdString() << "\", got "
                          << w->windowTitle().toStdString();
            QMetaObject::invokeMethod(w, "reject", Qt::QueuedConnection);
            return;
        }
        EXPECT_EQ(box->windowTitle(), title);
        if (text.isEmpty())
            EXPECT_FALSE(withoutBreaks(box->text()).isEmpty()) << title.toStdString();
        else if (match == Qt::MatchContains)
            EXPECT_TRUE(withoutBreaks(box->text()).contains(text)) << box->text().toStdString();
        else
            EXPECT_EQ(withoutBreaks(box->text()), text);
        Modal::press(w, button);
    };
}

/// Checks that `w` is the folder picker whose title starts with `title`, types `folder`.
inline DialogScript::Step pick(QString title, QString folder)
{
    return [=](QWidget* w) {
        EXPECT_TRUE(qobject_cast<QFileDialog*>(w)) << w->windowTitle().toStdString();
        EXPECT_TRUE(w->windowTitle().startsWith(title)) << w->windowTitle().toStdString();
        Modal::typeFolder(w, folder);
    };
}

/// Ticks only the folder boxes named `boxes` (none: a search walks only the alternate folders).
inline void tickOnly(const QWidget* window, std::initializer_list<const char*> boxes = {})
{
    for (QCheckBox* box : named<QWidget>(window, "Frame1")->findChildren<QCheckBox*>())
        box->setChecked(false);
    for (const char* name : boxes)
        named<QCheckBox>(window, name)->setChecked(true);
}

/// Adds `path` to the alternate folders as the user's picker would, ticked or not.
inline void addAltFolder(QListWidget* list, const QString& path, bool ticked)
{
    auto* item = new QListWidgetItem(path, list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

/// The title of the picker that adds an alternate folder.
inline const QString kSelectFolder = u"Select a folder in which to search."_qs;

} // namespace AppTest

class ProgramFixture : public ::testing::Test {
protected:
    TempHome home;
    std::unique_ptr<Program> program;

    ~ProgramFixture() override
    {
        program.reset();
        // A program that ended from inside a dialog leaves a second request to quit queued;
        // taken after the loops have ended, it would make every later dialog of this process
        // return at once.
        QCoreApplication::removePostedEvents(qApp, QEvent::Quit);
    }

    Form1* form() const { return program->window(); }
    template<typename T> T* child(const char* name) const
    {
        return AppTest::named<T>(form(), name);
    }

    /// Starts the program through the start-up path main() uses and waits until it shows.
    void start()
    {
        program = std::make_unique<Program>();
        ASSERT_TRUE(program->start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form()));
        QCoreApplication::processEvents(); // what main()'s event loop does first
    }
    /// Closes the window (when it still shows) and starts the program again.
    void restart()
    {
        if (form()->isVisible()) {
            ASSERT_TRUE(form()->close());
        }
        program.reset();
        start();
    }
    /// Waits for the search run to end.
    bool runEnded()
    {
        return waitUntil(form(), &Form1::controlsUpdated, [&] { return !form()->searchRunning(); });
    }
};
