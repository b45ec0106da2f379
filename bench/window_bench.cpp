// The window under load: a search that lists many rows, timed against the command-line
// finder on the same tree (path only and --columns), wall and processor time side by side,
// with the window's input latency during the run, the heap the rows take and the CPU an
// idle window uses.
//
//   window_bench [FOLDER [TEXT [RUNS]]]   default: a generated tree of 100,000 matching files
//
// KF_BENCH_WINDOW_ONLY=1 times only the window's search; KF_BENCH_MERGE_ONLY=1 only the
// window's merge of the walk's rows, RUNS times (steadier, for comparing changes to it);
// KF_BENCH_REPEATS=N repeats each first search N times (for profiling the repeated one).
#include "app/Form1.h"
#include "results/NameKeyPreparation.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "search/AsciiText.h"
#include "search/FolderWalker.h"
#include "search/ListingCache.h"
#include "search/ParallelWalk.h"
#include "settings/CRegSettings.h"
#include "shell/DialogPrompt.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

/// Bytes of heap in use (every arena), as search_bench counts them.
size_t heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

double seconds(const timeval& t)
{
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

/// Processor time (user + system) of this process, or of its waited-for children.
double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

/// Processor time of the calling thread alone.
double threadCpuSeconds()
{
    return cpuSeconds(RUSAGE_THREAD);
}

/// Wall and processor milliseconds of one timed run.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

/// The run with the least wall time: the one least disturbed by other processes.
Timing best(const std::vector<Timing>& runs)
{
    if (runs.empty())
        return {};
    return *std::min_element(runs.begin(), runs.end(),
                             [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
}

double loadAverage()
{
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

QString makeTree(const QString& root, int files)
{
    for (int i = 0; i < files; ++i) {
        const QString folder = root + QStringLiteral("/d%1/e%2").arg(i / 1000).arg(i / 100 % 10);
        if (i % 100 == 0)
            QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/match_%1.txt").arg(i));
        file.open(QIODevice::WriteOnly);
    }
    return root;
}

Timing timeCommandLine(const QString& program, const QString& text, const QString& folder,
                       bool columns)
{
    const QByteArray command = QFile::encodeName(program) + (columns ? " --columns" : "") +
                               " --find '" + text.toUtf8() + "' '" + QFile::encodeName(folder) +
                               "' > /dev/null";
    const double cpuStart = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    if (std::system(command.constData()) == -1)
        return {-1, -1};
    return {timer.nsecsElapsed() / 1e6, (cpuSeconds(RUSAGE_CHILDREN) - cpuStart) * 1000};
}

/// Builds every match's row, as the engine's worker does, without any window.
class RowSink final : public WalkSink {
public:
    bool stopRequested() override { return false; }
    void found(const FoundEntry& entry) override { rows.push_back(makeResultRow(entry)); }
    ResultRows rows;
};

SearchRequest requestFor(const QString& folder)
{
    SearchRequest request;
    request.IncludeSubfolders = true;
    request.FolderPath = QFile::encodeName(folder);
    request.Pattern = FileFilter::fromChoice(FileFilter::AllFiles);
    return request;
}

/// The walk of a window search alone, rows made as the engine makes them, on its threads;
/// with `asTheWindow` also their Name sort keys made and the listings kept in a new cache, as
/// a window's first search does.
Timing timeRowWalk(const QString& folder, const QString& text, bool asTheWindow = false)
{
    ResultModel sortedByName;
    sortedByName.sortBy(ResultModel::Name, Qt::AscendingOrder);
    LiveQuery query;
    query.setSearchText(text);
    ResultRows rows;
    RowWalk walk(
        query, RowFormat(asTheWindow ? sortedByName.rowPreparation() : nullptr),
        [&rows](ResultRows& batch) {
            rows.insert(rows.end(), std::make_move_iterator(batch.begin()),
                        std::make_move_iterator(batch.end()));
            return true;
        },
        true, workThreadCount());
    SearchRequest request = requestFor(folder);
    if (asTheWindow)
        request.Listings = std::make_shared<ListingCache>();
    const double cpuStart = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    walk.walk(request);
    return {timer.nsecsElapsed() / 1e6, (cpuSeconds() - cpuStart) * 1000};
}

/// The window's own part alone: the rows of a keyed walk, in the batches the walk delivered,
/// merged into a Name-sorted list shown in a window, the views laid out after every ~16,000
/// rows as the pacer hands them on. Returns the processor time of this thread: steadier than
/// the wall time of a whole search on a busy machine.
double timeMergeAlone(const QString& folder, const QString& text)
{
    ResultModel keyMaker;
    keyMaker.sortBy(ResultModel::Name, Qt::AscendingOrder);
    LiveQuery query;
    query.setSearchText(text);
    std::vector<ResultRows> batches{ResultRows()};
    RowWalk walk(
        query, RowFormat(keyMaker.rowPreparation()),
        [&batches](ResultRows& batch) {
            if (batches.back().size() >= 16384)
                batches.emplace_back();
            batches.back().insert(batches.back().end(), std::make_move_iterator(batch.begin()),
                                  std::make_move_iterator(batch.end()));
            return true;
        },
        true, workThreadCount());
    walk.walk(requestFor(folder));
    ResultList list;
    list.resize(800, 600);
    list.show();
    list.model()->sortBy(ResultModel::Name, Qt::AscendingOrder);
    QCoreApplication::processEvents();
    const double start = threadCpuSeconds();
    for (ResultRows& batch : batches) {
        list.model()->addRows(std::move(batch));
        QCoreApplication::processEvents();
    }
    return (threadCpuSeconds() - start) * 1000;
}

/// One thread's walk, with or without reading each match's size and time.
Timing timeWalkAlone(const QString& folder, const QString& text, bool details)
{
    LiveQuery query;
    query.setSearchText(text);
    RowSink sink;
    FolderWalker walker(query, sink, details);
    const double cpuStart = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    walker.walk(requestFor(folder));
    return {timer.nsecsElapsed() / 1e6, (cpuSeconds() - cpuStart) * 1000};
}

/// Times every event the window's thread handles outside another one, so that the bench can
/// say which one kept input waiting longest.
class TimedApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth > 0 || !m_timing || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event); // the walking threads' own events
        ++m_depth;
        QElapsedTimer clock;
        clock.start();
        const int type = int(event->type());
        const char* what = receiver->metaObject()->className();
        const bool done = QApplication::notify(receiver, event);
        const qint64 ns = clock.nsecsElapsed();
        if (ns > m_longestNs) {
            m_longestNs = ns;
            m_longest = QStringLiteral("event %1 to %2").arg(type).arg(QLatin1String(what));
        }
        --m_depth;
        return done;
    }
    void startTiming()
    {
        m_timing = true;
        m_longestNs = 0;
    }
    void stopTiming() { m_timing = false; }
    double longestMs() const { return m_longestNs / 1e6; }
    QString longest() const { return m_longest; }

private:
    int m_depth = 0;
    bool m_timing = false;
    qint64 m_longestNs = 0;
    QString m_longest;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QFile::encodeName(home.path() + u'/' + QString::fromLatin1(name)));
    TimedApplication app(argc, argv);
    DialogPrompt prompt; // the folders exist, so nothing is asked

    QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString text = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("match");
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    if (folder.isEmpty()) {
        std::printf("making a tree of 100,000 files...\n");
        folder = makeTree(home.path() + u"/tree", 100000);
    }
    if (qEnvironmentVariableIntValue("KF_BENCH_MERGE_ONLY") != 0) {
        // The window's part alone, many times: for comparing changes to the merge.
        std::vector<double> merges;
        for (int i = 0; i < runs; ++i)
            merges.push_back(timeMergeAlone(folder, text));
        std::sort(merges.begin(), merges.end());
        std::printf("the window's merge alone: least %.0f ms, median %.0f ms of processor\n",
                    merges.front(), merges[merges.size() / 2]);
        return 0;
    }
    const double loadBefore = loadAverage();
    const QString finder = QCoreApplication::applicationDirPath() + u"/../src/app/kestrelfind";
    timeCommandLine(finder, text, folder, true); // warms the file-system cache
    std::vector<Timing> cliPaths;
    std::vector<Timing> cliColumns;
    // KF_BENCH_WINDOW_ONLY=1 times the window's search alone (for profiling it).
    const bool windowOnly = qEnvironmentVariableIntValue("KF_BENCH_WINDOW_ONLY") != 0;
    for (int i = 0; i < (windowOnly ? 0 : runs); ++i) {
        cliPaths.push_back(timeCommandLine(finder, text, folder, false));
        cliColumns.push_back(timeCommandLine(finder, text, folder, true));
    }

    CRegSettings store = CRegSettings::forProgram();
    for (const char* box : {"Desktop", "Start Menu Programs", "Favorites", "Recent Docs"})
        store.SaveSetting(QStringLiteral("Search Folders"), QString::fromLatin1(box),
                          QStringLiteral("0"));
    store.SaveSetting(QStringLiteral("Alt Folders"), QStringLiteral("Number"), QStringLiteral("1"));
    store.SaveSetting(QStringLiteral("Alt Folders"), QStringLiteral("Folder0"), folder + u"|1");

    // Each form's engine keeps its own listing cache: a new form's first search reads every
    // folder, its second one is answered from memory where nothing changed.
    std::unique_ptr<Form1> form;
    ResultModel* model = nullptr;

    // Input latency: how late a 10 ms timer fires while the run goes on.
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 worstLateness = 0;
    qint64 worstAt = 0;  // when the worst lateness ended, ms after the click
    int rowsAtWorst = 0; // rows listed then
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (now - lastTick - 10 > worstLateness) {
            worstLateness = now - lastTick - 10;
            worstAt = now;
            rowsAtWorst = model->rowCount();
        }
        lastTick = now;
    });

    const int repeats = qEnvironmentVariableIsSet("KF_BENCH_REPEATS")
                            ? std::max(0, qEnvironmentVariableIntValue("KF_BENCH_REPEATS"))
                            : 1;
    std::vector<Timing> window;   // first searches
    std::vector<Timing> repeated; // the same search again, from the listing cache
    double bytesPerRow = 0;
    double windowThreadMs = 0; // the least the window's own thread spent on a first search
    double longestEventMs = 0; // the longest single event of the first searches, and which
    QString longestEvent;
    int rows = 0;
    const auto search = [&](std::vector<Timing>& into) {
        model->clear(); // the earlier run's rows go first, so the heap counts one run's rows
        QCoreApplication::processEvents();
        malloc_trim(0);
        const size_t heapBefore = heapBytes();
        const double cpuStart = cpuSeconds();
        const double threadStart = threadCpuSeconds();
        clock.start();
        lastTick = 0;
        probe.start();
        app.startTiming();
        form->Command1_Click();
        auto* button = form->findChild<QPushButton*>(QStringLiteral("Command1"));
        while (button->text() != u"Search")
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        into.push_back({clock.nsecsElapsed() / 1e6, (cpuSeconds() - cpuStart) * 1000});
        probe.stop();
        app.stopTiming();
        if (&into == &window && app.longestMs() > longestEventMs) {
            longestEventMs = app.longestMs();
            longestEvent = app.longest();
        }
        QCoreApplication::processEvents(); // the views' delayed layout, as on screen
        const double threadMs = (threadCpuSeconds() - threadStart) * 1000;
        if (&into == &window)
            windowThreadMs = windowThreadMs == 0 ? threadMs : std::min(windowThreadMs, threadMs);
        rows = model->rowCount();
        const double perRow = rows > 0 ? double(heapBytes() - heapBefore) / rows : 0.0;
        bytesPerRow = bytesPerRow == 0 ? perRow : std::min(bytesPerRow, perRow);
    };
    for (int i = 0; i < runs; ++i) {
        form.reset();
        form = std::make_unique<Form1>(prompt);
        form->show();
        QCoreApplication::processEvents();
        form->findChild<QComboBox*>(QStringLiteral("Text1"))->setEditText(text);
        model = form->findChild<ResultList*>(QStringLiteral("ListView1"))->model();
        search(window);
        for (int r = 0; r < repeats; ++r)
            search(repeated);
    }

    std::vector<Timing> rowWalk;
    std::vector<Timing> keyedWalk;
    std::vector<Timing> oneThread;
    for (int i = 0; i < (windowOnly ? 0 : runs); ++i) {
        rowWalk.push_back(timeRowWalk(folder, text));
        keyedWalk.push_back(timeRowWalk(folder, text, true));
        oneThread.push_back(timeWalkAlone(folder, text, true));
    }
    const double loadAfter = loadAverage();
    const auto keys = std::dynamic_pointer_cast<const NameKeyPreparation>(model->rowPreparation());
    const double keptKeyBytes = keys ? double(keys->keptBytes()) : 0.0;
    double mergeAlone = timeMergeAlone(folder, text);
    for (int i = 1; i < runs; ++i)
        mergeAlone = std::min(mergeAlone, timeMergeAlone(folder, text));
    if (windowOnly) {
        std::printf("the window's merge alone: %.0f ms of processor\n", mergeAlone);
        std::printf(
            "rows listed: %d   window search %.0f ms, processor %.0f ms, worst input "
            "latency %lld ms (ending at %lld ms, %d rows), heap per row %.0f bytes, window's "
            "thread %.0f ms\n",
            rows, best(window).wall, best(window).cpu, static_cast<long long>(worstLateness),
            static_cast<long long>(worstAt), rowsAtWorst, bytesPerRow, windowThreadMs);
        std::printf("longest event: %.0f ms (%s)\n", longestEventMs, qPrintable(longestEvent));
        return 0;
    }
    const Timing walkNoStat = timeWalkAlone(folder, text, false);

    // An idle window for ten seconds, once the views have caught up with the last rows
    // (their delayed layout and the final repaint run in the first moments after a run).
    QTimer::singleShot(1000, &app, &QCoreApplication::quit);
    QApplication::exec();
    const double cpuStart = cpuSeconds();
    QElapsedTimer idle;
    idle.start();
    QTimer::singleShot(10000, &app, &QCoreApplication::quit);
    QApplication::exec();
    const double idleCpu = (cpuSeconds() - cpuStart) / (idle.nsecsElapsed() / 1e9) * 100;

    const Timing paths = best(cliPaths);
    const Timing columns = best(cliColumns);
    const Timing win = best(window);
    const Timing walk = best(rowWalk);
    std::printf("rows listed: %d   threads: %d   best of %d runs   load average %.2f / %.2f\n",
                rows, workThreadCount(), runs, loadBefore, loadAfter);
    std::printf("                                    wall      processor\n");
    const auto line = [](const char* what, const Timing& t) {
        std::printf("%-34s %6.0f ms %8.0f ms\n", what, t.wall, t.cpu);
    };
    line("command line, path only", paths);
    line("command line, --columns", columns);
    line("window search, first", win);
    line("window search, repeated", best(repeated));
    line("  its walk alone (rows made)", walk);
    line("  its walk, as the window's", best(keyedWalk));
    line("one thread's walk (rows made)", best(oneThread));
    line("one thread's walk, no size/time", walkNoStat);
    std::printf("window / --columns: %.2f x   window / path only: %.2f x\n",
                columns.wall > 0 ? win.wall / columns.wall : 0.0,
                paths.wall > 0 ? win.wall / paths.wall : 0.0);
    std::printf("repeated / window's first: %.2f x   repeated / command line's first: %.2f x\n",
                win.wall > 0 ? best(repeated).wall / win.wall : 0.0,
                paths.wall > 0 ? best(repeated).wall / paths.wall : 0.0);
    std::printf("window beyond its walk: %.0f ms (%.0f %% of the walk)\n", win.wall - walk.wall,
                walk.wall > 0 ? (win.wall - walk.wall) / walk.wall * 100 : 0.0);
    std::printf("window beyond its walk as the window's: %.0f ms (%.0f %%)\n",
                win.wall - best(keyedWalk).wall,
                best(keyedWalk).wall > 0
                    ? (win.wall - best(keyedWalk).wall) / best(keyedWalk).wall * 100
                    : 0.0);
    std::printf("worst input latency         %lld ms (ending %lld ms after the click, %d rows "
                "listed)\n",
                static_cast<long long>(worstLateness), static_cast<long long>(worstAt),
                rowsAtWorst);
    std::printf("longest event               %.0f ms (%s)\n", longestEventMs,
                qPrintable(longestEvent));
    std::printf("window's thread, first      %.0f ms of processor (merge, layout, painting)\n",
                windowThreadMs);
    std::printf("the merge alone             %.0f ms of processor (the walk's rows, shown)\n",
                mergeAlone);
    std::printf("heap per listed row         %.0f bytes (rows, model, sort keys, views)\n",
                bytesPerRow);
    std::printf("name keys kept              %.1f MB (%.0f bytes per listed row)\n",
                keptKeyBytes / (1 << 20), rows > 0 ? keptKeyBytes / rows : 0.0);
    std::printf("idle window CPU over 10 s   %.3f %%\n", idleCpu);
    return 0;
}
