// File operations against cp on the same disk: a 1 GiB file, a folder of 10,000 small files,
// and 10,000 files moved to the trash.
// Usage: fileops_bench [WORK_FOLDER] [--quick] [--only big|small|trash]
// Each figure is the median of several warm runs; the copies made are removed between runs.

#include "SkippingFileOpUi.h"
#include "platform/FileJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

double runJob(const FileOpRequest& request)
{
    SkippingFileOpUi ui;
    FileJob job(request, ui);
    QEventLoop loop;
    QObject::connect(&job, &FileJob::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    job.start();
    loop.exec();
    return double(timer.nsecsElapsed()) / 1e6;
}

double runCommand(const QString& program, const QStringList& arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(program, arguments);
    return double(timer.nsecsElapsed()) / 1e6;
}

void removeTree(const QString& path)
{
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), path});
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void writeFile(const QByteArray& path, qint64 size, bool sync = false)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // At most 1 MiB, and no more than the file needs: small files are made by the thousand.
    std::vector<quint32> block(size_t(std::min<qint64>(size, 1 << 20) + 3) / 4);
    QRandomGenerator random(42);
    for (qint64 done = 0; done < size;) {
        random.fillRange(block.data(), block.size());
        const qint64 n = std::min<qint64>(qint64(block.size() * 4), size - done);
        if (::write(fd, block.data(), size_t(n)) != n)
            break;
        done += n;
    }
    if (sync)
        ::fsync(fd);
    ::close(fd);
}

void makeSmallFiles(const QByteArray& folder, int count)
{
    QDir().mkpath(QString::fromLocal8Bit(folder));
    for (int i = 0; i < count; ++i)
        writeFile(folder + "/file" + QByteArray::number(i) + ".txt", 512 + (i % 8) * 512);
}

/// Times ours against cp, alternating so both see the same warm cache.
void compare(const char* what, const QByteArray& source, const QByteArray& work, int runs,
             const QStringList& cpOptions)
{
    std::vector<double> ours, theirs;
    const QString target = QString::fromLocal8Bit(work + "/target");
    for (int i = 0; i < runs; ++i) {
        QDir().mkpath(target);
        ours.push_back(runJob({FileOpRequest::Kind::Copy, {source}, work + "/target"}));
        removeTree(target);
        QDir().mkpath(target);
        theirs.push_back(runCommand(
            QStringLiteral("cp"), cpOptions + QStringList{QString::fromLocal8Bit(source), target}));
        removeTree(target);
    }
    const double a = median(ours), b = median(theirs);
    std::printf("%-28s kestrelfind %8.1f ms   cp %8.1f ms   ratio %.2f\n", what, a, b, a / b);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure shows as soon as it is measured
    QStringList args = app.arguments().mid(1);
    const bool quick = args.removeAll(QStringLiteral("--quick")) > 0;
    QString only;
    if (const qsizetype at = args.indexOf(QStringLiteral("--only"));
        at >= 0 && at + 1 < args.size()) {
        only = args[at + 1];
        args.remove(at, 2);
    }
    auto wanted = [&](const char* part) {
        return only.isEmpty() || only == QLatin1String(part);
    };
    QTemporaryDir dir((args.isEmpty() ? QDir::currentPath() : args.first()) +
                      QStringLiteral("/fileops-XXXXXX"));
    const QByteArray work = dir.path().toLocal8Bit();
    // The trash used by the benchmark lives here too, never in the user's own.
    qputenv("XDG_DATA_HOME", work + "/share");
    const int runs = quick ? 3 : 5;

    if (wanted("big")) {
        writeFile(work + "/big.bin", quick ? (qint64(256) << 20) : (qint64(1) << 30), true);
        compare(quick ? "copy 256 MiB file" : "copy 1 GiB file", work + "/big.bin", work, runs, {});
        ::unlink(QByteArray(work + "/big.bin").constData());
    }
    if (wanted("small")) {
        makeSmallFiles(work + "/small", 10000);
        compare("copy 10,000 small files", work + "/small", work, runs, {QStringLiteral("-r")});
    }
    if (wanted("trash")) {
        std::vector<double> trash;
        for (int i = 0; i < runs; ++i) {
            const QByteArray folder = work + "/del" + QByteArray::number(i);
            makeSmallFiles(folder, 10000);
            QList<QByteArray> files;
            for (int f = 0; f < 10000; ++f)
                files.append(folder + "/file" + QByteArray::number(f) + ".txt");
            // A new trash each run, and nothing removed until the end: files made where
            // others were just deleted cost ext4 more, which would blur the figure.
            qputenv("XDG_DATA_HOME", work + "/share" + QByteArray::number(i));
            trash.push_back(runJob({FileOpRequest::Kind::Delete, files, {}}));
        }
        std::printf("%-28s kestrelfind %8.1f ms\n", "10,000 files to the trash", median(trash));
    }
    return 0;
}
