// The run's sequence seen from a recording host: which folders it announces, in which
// order, and what the end of a run shows.
#include "app/SearchRun.h"
#include "search/SearchEngine.h"

#include "ScriptedPrompt.h"
#include "SignalWait.h"
#include "TempHome.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RecordingHost final : public SearchRunHost {
public:
    QList<AltFolder> alts;
    std::array<bool, FolderBoxCount> ticked{};
    int type = 0;
    QString caption = QStringLiteral("Search");
    QStringList panel1;
    QString panel2, panel3;
    int rows = 0;
    int endings = 0;
    bool busy = false;

    int altFolderCount() const override { return int(alts.size()); }
    AltFolder altFolder(int i) const override { return alts.value(i); }
    bool boxTicked(FolderBox box) const override { return ticked[size_t(box)]; }
    int fileType() const override { return type; }
    QString customPattern() const override { return {}; }
    bool includeSubfolders() const override { return true; }
    QString searchText() const override { return QStringLiteral("hit"); }
    void setSearchCaption(const QString& text) override { caption = text; }
    void setPanelText(int panel, const QString& text) override
    {
        if (panel == 1)
            panel1 << text;
        else if (panel == 2)
            panel2 = text;
        else if (panel == 3)
            panel3 = text;
    }
    void showCopyrightLine() override { panel1 << QStringLiteral("(c)"); }
    void setActivity(bool) override {}
    void setBusy(bool on) override { busy = on; }
    void clearRows() override { rows = 0; }
    void addRows(RowBatches batches) override
    {
        for (const ResultRows& batch : batches)
            rows += int(batch.size());
    }
    int rowCount() const override { return rows; }
    void setHistory(const QStringList&) override {}
    void runEnding() override { ++endings; }
};

class SearchRunTest : public ::testing::Test {
protected:
    TempHome home;
    ScriptedPrompt prompt;
    RecordingHost host;
    SearchEngine engine;
    SearchRun run{host, engine, prompt};

    void runToEnd()
    {
        run.command();
        ASSERT_TRUE(waitUntil(&run, &SearchRun::stateChanged, [&] { return !run.running(); }));
    }
};

TEST_F(SearchRunTest, AnnouncesAlternateThenSpecialFoldersInRunOrder)
{
    home.write(QStringLiteral("Desktop/hit.txt"));
    home.write(QStringLiteral(".config/hit.conf"));      // roaming application data
    home.write(QStringLiteral("sys/xdg/hit.xdg"));       // common application data
    home.write(QStringLiteral(".local/share/hit.data")); // local application data
    home.write(QStringLiteral("alt/hit.alt"));
    host.alts = {{home.path(QStringLiteral("alt")), true},
                 {home.path(QStringLiteral("no")), false}};
    host.ticked[size_t(FolderBox::AppData)] = true;
    host.ticked[size_t(FolderBox::Desktop)] = true;
    host.ticked[size_t(FolderBox::MyDocuments)] = true; // no Documents folder: skipped in silence

    runToEnd();
    EXPECT_EQ(host.panel1, (QStringList{"(c)", u"Searching in " + home.path(QStringLiteral("alt")),
                                        "Searching in Desktop", "Searching in Application Data",
                                        "Searching in Application Data", "(c)"}));
    EXPECT_EQ(host.rows, 5);
    EXPECT_EQ(host.panel2, QStringLiteral("Search complete"));
    EXPECT_EQ(host.panel3, QStringLiteral("5 item(s) found."));
    EXPECT_EQ(host.caption, QStringLiteral("Search"));
    EXPECT_EQ(host.endings, 1);
    EXPECT_FALSE(host.busy);
    EXPECT_TRUE(prompt.asked().isEmpty());
}

TEST_F(SearchRunTest, NoFileTypeFindsNothingAndAStopSkipsTheRestOfTheSpecialFolders)
{
    home.write(QStringLiteral("Desktop/hit.txt"));
    home.write(QStringLiteral(".config/hit.conf"));
    host.ticked[size_t(FolderBox::Desktop)] = true;
    host.ticked[size_t(FolderBox::AppData)] = true;
    host.type = -1;
    runToEnd();
    EXPECT_EQ(host.rows, 0);
    EXPECT_EQ(host.panel2, QStringLiteral("Search complete"));

    // Stop (twice) while the first missing alternate folder is reported, before any walk
    // began: the second is still reported, the first special folder's walk ends at once and
    // the rest are skipped.
    host.type = 0;
    host.panel1.clear();
    host.alts = {{home.path(QStringLiteral("missing")), true},
                 {home.path(QStringLiteral("missing2")), true}};
    prompt.onMessage([&](const ScriptedPrompt::Asked&) {
        run.command();
        run.command();
    });
    runToEnd();
    EXPECT_EQ(prompt.asked().size(), 2);
    EXPECT_EQ(host.caption, QStringLiteral("Search"));
    EXPECT_EQ(host.panel1, (QStringList{"(c)", "Searching in Desktop", "(c)"}));
    EXPECT_EQ(host.panel2, QStringLiteral("Search cancelled"));
    EXPECT_EQ(host.panel3, QStringLiteral("0 item(s) found."));
    EXPECT_EQ(host.rows, 0);
    EXPECT_TRUE(run.SearchIdle());
    EXPECT_EQ(run.state(), SearchRun::State::Idle);
}

TEST_F(SearchRunTest, AStoppedRunNeverStopsOrFeedsTheNextOne)
{
    // A tree that takes a while to walk, so that the first run is stopped mid-walk.
    for (int d = 0; d < 40; ++d) {
        for (int f = 0; f < 40; ++f)
            home.write(u"alt/d" + QString::number(d) + u"/hit" + QString::number(f));
    }
    home.write(QStringLiteral("Desktop/hit.txt"));
    host.alts = {{home.path(QStringLiteral("alt")), true}};
    host.ticked[size_t(FolderBox::Desktop)] = true;

    run.command();
    EXPECT_EQ(run.state(), SearchRun::State::Running);
    EXPECT_FALSE(run.SearchIdle());
    run.command(); // Stop
    EXPECT_EQ(run.state(), SearchRun::State::Stopping);
    EXPECT_TRUE(run.SearchIdle());
    run.command(); // a second Stop changes nothing
    EXPECT_EQ(run.state(), SearchRun::State::Stopping);
    QTRY_VERIFY_WITH_TIMEOUT(!run.running(), 20000);
    EXPECT_EQ(host.panel2, QStringLiteral("Search cancelled"));

    // The next run is whole: nothing of the stopped one reaches it, nothing stops it.
    host.alts.clear();
    runToEnd();
    EXPECT_EQ(host.panel2, QStringLiteral("Search complete"));
    EXPECT_EQ(host.rows, 1);
    EXPECT_EQ(host.panel3, QStringLiteral("1 item(s) found."));
}

} // namespace
