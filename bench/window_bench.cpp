// The window under load: a search that lists many rows, timed against the command-line
// finder on the same tree, with the window's input latency during the run, the memory the
// rows take and the CPU an idle window uses.
//
//   window_bench [FOLDER [TEXT]]      default: a generated tree of 100,000 matching files
#include "app/Form1.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "search/FolderWalker.h"
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
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

long rssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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

double timeCommandLine(const QString& program, const QString& text, const QString& folder)
{
    const QByteArray command = QFile::encodeName(program) + " --find '" + text.toUtf8() + "' '" +
                               QFile::encodeName(folder) + "' > /dev/null";
    QElapsedTimer timer;
    timer.start();
    if (std::system(command.constData()) == -1)
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

/// Builds every match's row, as the engine's worker does, without any window.
class RowSink final : public WalkSink {
public:
    bool stopRequested() override { return false; }
    void found(const FoundEntry& entry) override { rows.push_back(makeResultRow(entry)); }
    ResultRows rows;
};

/// The worker's share of a window search: the walk alone, with or without reading each
/// match's size and time.
double timeWalkAlone(const QString& folder, const QString& text, bool details)
{
    LiveQuery query;
    query.setSearchText(text);
    SearchRequest request;
    request.IncludeSubfolders = true;
    request.FolderPath = QFile::encodeName(folder);
    request.Pattern = FileFilter::fromChoice(FileFilter::AllFiles);
    RowSink sink;
    FolderWalker walker(query, sink, details);
    QElapsedTimer timer;
    timer.start();
    walker.walk(request);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QFile::encodeName(home.path() + u'/' + QString::fromLatin1(name)));
    QApplication app(argc, argv);
    DialogPrompt prompt; // the folders exist, so nothing is asked

    QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString text = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("match");
    if (folder.isEmpty()) {
        std::printf("making a tree of 100,000 files...\n");
        folder = makeTree(home.path() + u"/tree", 100000);
    }
    const QString finder = QCoreApplication::applicationDirPath() + u"/../src/app/kestrelfind";
    timeCommandLine(finder, text, folder); // warms the file-system cache
    const double cliMs = timeCommandLine(finder, text, folder);

    CRegSettings store = CRegSettings::forProgram();
    for (const char* box : {"Desktop", "Start Menu Programs", "Favorites", "Recent Docs"})
        store.SaveSetting(QStringLiteral("Search Folders"), QString::fromLatin1(box),
                          QStringLiteral("0"));
    store.SaveSetting(QStringLiteral("Alt Folders"), QStringLiteral("Number"), QStringLiteral("1"));
    store.SaveSetting(QStringLiteral("Alt Folders"), QStringLiteral("Folder0"), folder + u"|1");

    Form1 form(prompt);
    form.show();
    QCoreApplication::processEvents();
    auto* button = form.findChild<QPushButton*>(QStringLiteral("Command1"));
    form.findChild<QComboBox*>(QStringLiteral("Text1"))->setEditText(text);
    ResultModel* model = form.findChild<ResultList*>(QStringLiteral("ListView1"))->model();

    // Input latency: how late a 10 ms timer fires while the run goes on.
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 worstLateness = 0;
    QTimer probe;
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worstLateness = std::max(worstLateness, now - lastTick - 10);
        lastTick = now;
    });

    const long rssBefore = rssKiB();
    clock.start();
    probe.start();
    form.Command1_Click();
    while (button->text() != u"Search")
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double windowMs = clock.nsecsElapsed() / 1e6;
    probe.stop();
    const long rssAfter = rssKiB();
    const int rows = model->rowCount();

    const double walkMs = timeWalkAlone(folder, text, true);
    const double walkNoStatMs = timeWalkAlone(folder, text, false);

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

    std::printf("rows listed                 %d\n", rows);
    std::printf("command line                %.0f ms\n", cliMs);
    std::printf("window search               %.0f ms (%.2f x the command line)\n", windowMs,
                cliMs > 0 ? windowMs / cliMs : 0.0);
    std::printf(
        "the worker's walk alone     %.0f ms (rows built; %.0f ms without sizes and times)\n",
        walkMs, walkNoStatMs);
    std::printf("  (the window's search time beyond it is the result model and painting on the\n"
                "  window's thread, which runs alongside the walk)\n");
    std::printf("worst input latency         %lld ms\n", static_cast<long long>(worstLateness));
    std::printf("memory per listed row       %.0f bytes\n",
                rows > 0 ? (rssAfter - rssBefore) * 1024.0 / rows : 0.0);
    std::printf("idle window CPU over 10 s   %.3f %%\n", idleCpu);
    return 0;
}
