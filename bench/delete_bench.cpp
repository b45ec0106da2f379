// Delete as the user meets it: 10,000 rows selected in a list of 1,000,000, the Delete
// command, its job moving the files to the trash and the rows going from the list; beside
// it, a plain loop of the same system calls on the same disk, run alternately with it.
// Usage: delete_bench [WORK_FOLDER] [--runs N] [--files N]
// The trash is inside the work folder (XDG_DATA_HOME), never the user's own. Every run uses
// fresh folders and removes nothing until the end, so no run creates files where another
// just deleted some.

#include "SkippingFileOpUi.h"
#include "actions/FileCommands.h"
#include "actions/FileOperations.h"
#include "platform/FileJob.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "search/ResultRow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QItemSelectionModel>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int ListRows = 1000000;

const char* const Words[] = {"Report",  "photo",  "Invoice", "draft", "notes",
                             "summary", "readme", "backup",  "Song",  "IMG"};

double cpuMs(int who)
{
    struct rusage usage {};
    ::getrusage(who, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec)) /
           1e3;
}

double ms(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

ResultRow rowFor(const QByteArray& folder, const QByteArray& name, qint64 size, int kind)
{
    static const QString types[] = {QStringLiteral("Text"), QStringLiteral("PDF document"),
                                    QStringLiteral("JPEG image"), QStringLiteral("File")};
    static const QString na = QStringLiteral("n/a");
    ResultRow row;
    row.location = folder + '/';
    row.fileName = name;
    row.size = size;
    row.mtime = 1000LL * 1700000000;
    row.typeName = types[kind % 4];
    row.url = na;
    return row;
}

/// Names as a home folder's search gives them, so the doomed rows lie scattered in Name order.
QByteArray nameFor(QRandomGenerator& random, int i)
{
    static const char* const extensions[] = {".txt", ".pdf", ".jpg", ""};
    return QByteArray(Words[random.bounded(10)]) + ' ' + QByteArray::number(i) + extensions[i % 4];
}

ResultRows otherRows(int count)
{
    QRandomGenerator random(1);
    ResultRows rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const QByteArray folder = "/home/user/Documents/project" +
                                  QByteArray::number(random.bounded(3000)) + "/sub" +
                                  QByteArray::number(random.bounded(5));
        rows.push_back(rowFor(folder, nameFor(random, i), random.bounded(50000000), i));
    }
    return rows;
}

/// Makes `count` small files in the new folder `folder`; returns their names.
QList<QByteArray> makeFiles(const QByteArray& folder, int count, quint32 seed)
{
    ::mkdir(folder.constData(), 0755);
    QRandomGenerator random(seed);
    QList<QByteArray> names;
    const QByteArray data(4096, 'x');
    for (int i = 0; i < count; ++i) {
        names.append(nameFor(random, i));
        const int fd = ::open(QByteArray(folder + '/' + names.last()).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, data.constData(), size_t(512 + (i % 8) * 448)) < 0)
            std::perror("create");
        ::close(fd);
    }
    ::sync(); // the files' own writing is not part of any figure
    return names;
}

struct Figures {
    double wall = 0;
    double cpu = 0;
};

/// The same system calls the trash makes, in a plain loop: lstat, an O_EXCL record, its
/// text, close, rename without replacing.
Figures plainLoop(const QByteArray& folder, const QList<QByteArray>& names, const QByteArray& trash)
{
    for (const char* part : {"", "/files", "/info"})
        ::mkdir(QByteArray(trash + part).constData(), 0700);
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuMs(RUSAGE_THREAD);
    char record[8192];
    for (const QByteArray& name : names) {
        const QByteArray path = folder + '/' + name;
        struct stat st {};
        ::lstat(path.constData(), &st);
        const QByteArray info = trash + "/info/" + name + ".trashinfo";
        const int fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        const int n = std::snprintf(record, sizeof record,
                                    "[Trash Info]\nPath=%s\nDeletionDate=2026-01-01T00:00:00\n",
                                    path.toPercentEncoding("/").constData());
        if (fd < 0 || ::write(fd, record, size_t(n)) != n)
            std::perror("plain record");
        ::close(fd);
        if (::renameat2(AT_FDCWD, path.constData(), AT_FDCWD,
                        QByteArray(trash + "/files/" + name).constData(), RENAME_NOREPLACE) != 0)
            std::perror("plain rename");
    }
    return {ms(timer), cpuMs(RUSAGE_THREAD) - cpu};
}

class YesPrompt final : public Prompt {
public:
    int MsgBox(const QString&, int, const QString&) override { return MsgResult::Yes; }
    std::optional<QString> InputBox(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    QString BrowseForFolder(const QString&, const QString&) override { return {}; }
};

/// A job's interface that shows nothing and counts the progress reports that reach it.
class CountingUi final : public SkippingFileOpUi {
public:
    explicit CountingUi(int& reports, QElapsedTimer& started, double& startedAt)
        : m_reports(reports)
        , m_started(started)
        , m_startedAt(startedAt)
    {}
    void started(FileJob&, const FileOpRequest&) override { m_startedAt = ms(m_started); }
    void progress(const FileOpProgress&) override { ++m_reports; }

private:
    int& m_reports;
    QElapsedTimer& m_started;
    double& m_startedAt;
};

/// The window's side of the command: the list's selection, and its rows removed by path.
class ListHost final : public ItemHost {
public:
    explicit ListHost(ResultList& list, QElapsedTimer& clock)
        : m_list(list)
        , m_clock(clock)
    {}
    QList<QByteArray> GetSelectedFiles() const override { return m_list.GetSelectedFiles(); }
    int listRowCount() const override { return m_list.model()->rowCount(); }
    int LastListButton() const override { return 0; }
    void setLastListButton(int) override {}
    QByteArray currentPath() const override { return {}; }
    void searchAgain() override {}
    void removeRows(const QList<QByteArray>& paths) override
    {
        jobEnd = ms(m_clock);
        cpuAtJobEnd = cpuMs(RUSAGE_SELF);
        removed = m_list.model()->removePaths(paths);
        removalEnd = ms(m_clock);
        cpuAtRemovalEnd = cpuMs(RUSAGE_SELF);
    }
    void beginRename() override {}

    double jobEnd = 0, removalEnd = 0, cpuAtJobEnd = 0, cpuAtRemovalEnd = 0;
    int removed = 0;

private:
    ResultList& m_list;
    QElapsedTimer& m_clock;
};

struct DeleteFigures {
    double select = 0, trash = 0, model = 0, view = 0, total = 0;
    double trashCpu = 0, modelCpu = 0, totalCpu = 0;
    int reports = 0;
};

/// Adds rows for `names` in `folder` to the list, selects exactly them and runs Delete.
DeleteFigures deleteRows(ResultList& list, const QByteArray& folder, const QList<QByteArray>& names)
{
    ResultModel* model = list.model();
    ResultRows rows;
    for (int i = 0; i < names.size(); ++i)
        rows.push_back(rowFor(folder, names[i], 512 + (i % 8) * 448, i));
    model->addRows(std::move(rows));
    list.selectionModel()->clearSelection();
    QItemSelection chosen;
    const QByteArray prefix = folder + '/';
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->path(r).startsWith(prefix))
            chosen.select(model->index(r, 0), model->index(r, ResultModel::ColumnCount - 1));
    }
    list.selectionModel()->select(chosen, QItemSelectionModel::Select);
    settle();

    DeleteFigures f;
    QElapsedTimer clock;
    double startedAt = 0;
    ListHost host(list, clock);
    YesPrompt prompt;
    FileOperations ops([&] { return std::make_unique<CountingUi>(f.reports, clock, startedAt); });
    DeleteCommand command(host, prompt, ops);
    QEventLoop loop;
    QObject::connect(&command, &DeleteCommand::finished, &loop, &QEventLoop::quit);
    clock.start();
    const double cpu = cpuMs(RUSAGE_SELF);
    command.run();
    loop.exec();
    settle();
    QImage page(list.size(), QImage::Format_RGB32);
    QPainter painter(&page);
    list.currentView()->viewport()->render(&painter);
    f.total = ms(clock);
    f.totalCpu = cpuMs(RUSAGE_SELF) - cpu;
    f.select = startedAt;
    f.trash = host.jobEnd - startedAt;
    f.model = host.removalEnd - host.jobEnd;
    f.view = f.total - host.removalEnd;
    f.trashCpu = host.cpuAtJobEnd - cpu;
    f.modelCpu = host.cpuAtRemovalEnd - host.cpuAtJobEnd;
    if (host.removed != names.size() || model->rowCount() != ListRows - names.size())
        std::fprintf(stderr, "wrong: %d rows removed, %d left\n", host.removed, model->rowCount());
    return f;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

template<typename Get> double medianOf(const std::vector<DeleteFigures>& all, Get get)
{
    std::vector<double> values;
    for (const DeleteFigures& f : all)
        values.push_back(get(f));
    return median(values);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QStringList args = app.arguments().mid(1);
    auto option = [&](const QString& name, int fallback) {
        const qsizetype at = args.indexOf(name);
        if (at < 0 || at + 1 >= args.size())
            return fallback;
        const int value = args[at + 1].toInt();
        args.remove(at, 2);
        return value > 0 ? value : fallback;
    };
    const int runs = option(QStringLiteral("--runs"), 5);
    const int files = option(QStringLiteral("--files"), 10000);
    QTemporaryDir dir((args.isEmpty() ? QDir::currentPath() : args.first()) +
                      QStringLiteral("/delete-XXXXXX"));
    const QByteArray work = dir.path().toLocal8Bit();

    ResultList list;
    list.resize(1000, 700);
    list.show();
    list.model()->sortBy(ResultModel::Name, Qt::AscendingOrder);
    list.model()->addRows(otherRows(ListRows - files));
    settle();

    std::vector<DeleteFigures> ours;
    std::vector<double> plainWall, plainCpu;
    for (int run = 0; run < runs; ++run) {
        const QByteArray n = QByteArray::number(run);
        const QList<QByteArray> plainNames = makeFiles(work + "/plain" + n, files, 100 + run);
        const Figures plain = plainLoop(work + "/plain" + n, plainNames, work + "/plain-trash" + n);
        plainWall.push_back(plain.wall);
        plainCpu.push_back(plain.cpu);

        const QList<QByteArray> names = makeFiles(work + "/del" + n, files, 200 + run);
        qputenv("XDG_DATA_HOME", work + "/share" + n); // a new trash for each run
        ours.push_back(deleteRows(list, work + "/del" + n, names));
        const DeleteFigures& f = ours.back();
        std::printf("run %d: plain loop %.0f ms (cpu %.0f) | Delete: selection %.0f, trash %.0f "
                    "(cpu %.0f), rows %.0f (cpu %.0f), view %.0f, total %.0f ms (cpu %.0f), "
                    "%d progress reports\n",
                    run + 1, plain.wall, plain.cpu, f.select, f.trash, f.trashCpu, f.model,
                    f.modelCpu, f.view, f.total, f.totalCpu, f.reports);
    }
    std::printf("median of %d, %d files, %d rows:\n", runs, files, ListRows);
    std::printf("  plain system-call loop  %6.0f ms wall, %6.0f ms cpu\n", median(plainWall),
                median(plainCpu));
    std::printf("  trash job               %6.0f ms wall, %6.0f ms cpu\n",
                medianOf(ours, [](auto& f) { return f.trash; }),
                medianOf(ours, [](auto& f) { return f.trashCpu; }));
    std::printf("  rows removed            %6.0f ms wall, %6.0f ms cpu\n",
                medianOf(ours, [](auto& f) { return f.model; }),
                medianOf(ours, [](auto& f) { return f.modelCpu; }));
    std::printf("  Delete to drawn list    %6.0f ms wall, %6.0f ms cpu\n",
                medianOf(ours, [](auto& f) { return f.total; }),
                medianOf(ours, [](auto& f) { return f.totalCpu; }));
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), dir.path()});
    return 0;
}
