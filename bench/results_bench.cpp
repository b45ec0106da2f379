// Speed and memory of the result list with a million rows: whole sorts by each column,
// batches merged in as a walk delivers them, view switches, Select All, Show File
// Extensions, a scrolling redraw and the bytes each row costs.
#include "actions/MClipFileCopy.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"
#include "search/ResultRow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QItemSelectionModel>
#include <QListView>
#include <QMimeData>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTreeView>

#include <malloc.h>

#include <cstdio>
#include <memory>

namespace {

constexpr int TotalRows = 1000000;

size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd; // small blocks and the large mapped ones
}

// Rows as a walk of a large home folder gives them: a few thousand folders, names with
// words and numbers, shared type texts and the one shared "n/a".
ResultRows makeRows(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    static const char* const words[] = {"Report",  "photo",  "Invoice", "draft", "notes",
                                        "summary", "readme", "backup",  "Song",  "IMG"};
    static const char* const extensions[] = {".txt", ".pdf", ".jpg", ".png", ".odt", ".mp3", ""};
    static const QString types[] = {QStringLiteral("Text"),         QStringLiteral("PDF document"),
                                    QStringLiteral("JPEG image"),   QStringLiteral("PNG image"),
                                    QStringLiteral("ODT document"), QStringLiteral("MP3 audio"),
                                    QStringLiteral("File"),         QStringLiteral("File Folder")};
    static const QString na = QStringLiteral("n/a");
    ResultRows rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const QByteArray folder = "/home/user/Documents/project" +
                                  QByteArray::number(random.bounded(3000)) + "/sub" +
                                  QByteArray::number(random.bounded(5)) + '/';
        const int kind = random.bounded(8);
        QByteArray name = QByteArray(words[random.bounded(10)]) + ' ' +
                          QByteArray::number(random.bounded(100000));
        if (kind < 7)
            name += extensions[kind];
        ResultRow row;
        row.location = folder;
        row.fileName = name;
        row.folder = kind == 7;
        row.size = row.folder ? 0 : random.bounded(50000000);
        row.mtime = random.bounded(50) == 0
                        ? ResultRow::NoTime
                        : 1000LL * (1000000000 + qint64(random.bounded(700000000)));
        row.typeName = types[kind];
        row.url = na;
        rows.push_back(std::move(row));
    }
    return rows;
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

double renderPage(QAbstractItemView* view, QImage& image)
{
    QElapsedTimer timer;
    timer.start();
    QPainter painter(&image);
    view->viewport()->render(&painter);
    return ms(timer);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The model alone, without views.
    {
        ResultModel bare;
        bare.addRows(makeRows(TotalRows, 5));
        for (int column = 0; column < ResultModel::ColumnCount; ++column) {
            QElapsedTimer timer;
            timer.start();
            bare.sortBy(column, Qt::AscendingOrder);
            const double asc = ms(timer);
            timer.restart();
            bare.sortBy(column, Qt::DescendingOrder);
            std::printf("model alone, sort by %-9s asc %4.0f ms, desc %4.0f ms\n",
                        qPrintable(ResultModel::columnCaption(column)), asc, ms(timer));
        }
        bare.sortBy(ResultModel::Name, Qt::AscendingOrder);
        ResultRows more = makeRows(100000, 6);
        QElapsedTimer timer;
        timer.start();
        for (size_t at = 0; at < more.size(); at += 1000)
            bare.addRows(ResultRows(more.begin() + std::ptrdiff_t(at),
                                    more.begin() + std::ptrdiff_t(at + 1000)));
        std::printf("model alone, 100 batches of 1,000 into 1M: %.0f ms\n", ms(timer));
    }

    const size_t heapBefore = heapInUse();
    ResultList list;
    list.resize(1000, 700);
    list.show();
    settle();
    ResultModel* model = list.model();

    QElapsedTimer timer;
    timer.start();
    ResultRows first = makeRows(TotalRows - 100000, 1);
    std::printf("generate %d rows: %.0f ms\n", TotalRows - 100000, ms(timer));

    // 900k rows, sorted by Name, then 100k more as a walk delivers them (batches of 1,000).
    timer.restart();
    model->sortBy(ResultModel::Name, Qt::AscendingOrder);
    model->addRows(std::move(first));
    settle();
    std::printf("first 900k rows into a Name-sorted list: %.0f ms\n", ms(timer));

    ResultRows more = makeRows(100000, 2);
    timer.restart();
    double slowest = 0;
    for (size_t at = 0; at < more.size(); at += 1000) {
        QElapsedTimer one;
        one.start();
        model->addRows(ResultRows(more.begin() + std::ptrdiff_t(at),
                                  more.begin() + std::ptrdiff_t(at + 1000)));
        QCoreApplication::processEvents();
        slowest = std::max(slowest, ms(one));
    }
    std::printf("100k rows in 100 batches of 1,000 (sorted by Name, view shown): %.0f ms, "
                "slowest batch %.1f ms\n",
                ms(timer), slowest);

    const size_t heapAfter = heapInUse();
    std::printf("memory: %.0f bytes per row in total (heap growth / rows, incl. views and "
                "Name keys); model's own count %.0f bytes per row\n",
                double(heapAfter - heapBefore) / model->rowCount(),
                double(model->memoryUsage()) / model->rowCount());

    for (int column = 0; column < ResultModel::ColumnCount; ++column) {
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            timer.restart();
            model->sortBy(column, order);
            settle();
            std::printf("sort by %-9s %s: %4.0f ms\n",
                        qPrintable(ResultModel::columnCaption(column)),
                        order == Qt::AscendingOrder ? "asc " : "desc", ms(timer));
        }
    }

    // Back to Name from another column: its keys were kept, so this only sorts.
    model->sortBy(ResultModel::Size, Qt::AscendingOrder);
    settle();
    timer.restart();
    model->sortBy(ResultModel::Name, Qt::AscendingOrder);
    settle();
    std::printf("sort by Name from Size order (keys kept): %.0f ms\n", ms(timer));

    // What a search of 100k rows costs the window's thread: a fast walk hands over a few
    // large batches, a slow one many small ones.
    for (const int column : {int(ResultModel::Name), int(ResultModel::Size)}) {
        for (const size_t batchRows : {size_t(25000), size_t(1000)}) {
            ResultList fresh;
            fresh.resize(1000, 700);
            fresh.show();
            settle();
            fresh.model()->sortBy(column, Qt::AscendingOrder);
            ResultRows rows = makeRows(100000, 7);
            timer.restart();
            for (size_t at = 0; at < rows.size(); at += batchRows) {
                fresh.model()->addRows(ResultRows(rows.begin() + std::ptrdiff_t(at),
                                                  rows.begin() + std::ptrdiff_t(at + batchRows)));
                QCoreApplication::processEvents();
            }
            settle();
            std::printf("100k rows from empty, batches of %zu, sorted by %s, view shown: %.0f ms\n",
                        batchRows, qPrintable(ResultModel::columnCaption(column)), ms(timer));
        }
    }

    // One batch of 100k merged into 900k at once.
    {
        model->sortBy(ResultModel::Name, Qt::AscendingOrder);
        ResultRows rows = makeRows(TotalRows - 100000, 3);
        ResultModel big;
        big.sortBy(ResultModel::Name, Qt::AscendingOrder);
        big.addRows(std::move(rows));
        ResultRows batch = makeRows(100000, 4);
        timer.restart();
        big.addRows(std::move(batch));
        std::printf("one batch of 100k merged into 900k (Name): %.0f ms\n", ms(timer));
    }

    QImage page(list.size(), QImage::Format_ARGB32_Premultiplied);
    for (const int mode : {ResultList::List, ResultList::LargeIcons, ResultList::Details}) {
        timer.restart();
        list.setViewMode(mode);
        settle();
        renderPage(list.currentView(), page);
        std::printf("switch to view %d and draw: %.0f ms\n", mode, ms(timer));
    }

    timer.restart();
    list.selectAll();
    settle();
    std::printf("Select All: %.1f ms (GetSelectedFiles of all: ", ms(timer));
    timer.restart();
    const QList<QByteArray> selectedPaths = list.GetSelectedFiles();
    const qsizetype selected = selectedPaths.size();
    std::printf("%lld paths in %.0f ms)\n", static_cast<long long>(selected), ms(timer));
    {
        // Copy to Clipboard of them all: the payloads made, and what they hold.
        const size_t heapBefore = heapInUse();
        timer.restart();
        const std::unique_ptr<QMimeData> data(fileListMimeData(selectedPaths));
        const double made = ms(timer);
        std::printf("clipboard data of all: %.0f ms, %.0f MB held (%.0f bytes a path)\n", made,
                    double(heapInUse() - heapBefore) / 1e6,
                    double(heapInUse() - heapBefore) / double(std::max<qsizetype>(selected, 1)));
    }

    // Rows still arriving with everything selected: each batch splits the selection.
    {
        ResultRows late = makeRows(3000, 8);
        double worst = 0;
        timer.restart();
        for (size_t at = 0; at < late.size(); at += 1000) {
            QElapsedTimer one;
            one.start();
            model->addRows(ResultRows(late.begin() + std::ptrdiff_t(at),
                                      late.begin() + std::ptrdiff_t(at + 1000)));
            QCoreApplication::processEvents();
            worst = std::max(worst, ms(one));
        }
        std::printf("3 batches of 1,000 after Select All: %.0f ms, slowest batch %.1f ms "
                    "(%lld rows still selected)\n",
                    ms(timer), worst, static_cast<long long>(list.GetSelectedFiles().size()));
    }

    // Delete of 10,000 scattered rows from the million, the views updated; then a rename.
    {
        list.setViewMode(ResultList::Details);
        settle();
        list.selectionModel()->clearSelection();
        QItemSelection chosen;
        for (int r = 0; r < model->rowCount() && chosen.size() < 10000; r += 97)
            chosen.select(model->index(r, 0), model->index(r, ResultModel::ColumnCount - 1));
        list.selectionModel()->select(chosen, QItemSelectionModel::Select);
        settle();
        const QList<QByteArray> doomed = list.GetSelectedFiles();
        timer.restart();
        const int removed = model->removePaths(doomed);
        const double removal = ms(timer);
        settle();
        renderPage(list.currentView(), page);
        std::printf("Delete of %d rows from %d: %.0f ms with the view's update and drawing "
                    "(the model's part %.0f ms)\n",
                    removed, model->rowCount() + removed, ms(timer), removal);
        const int row = model->rowCount() / 2;
        // What a rename looks up several times: the row of a path, here the last one stored.
        const QByteArray lastPath = model->row(model->rowCount() - 1).path();
        timer.restart();
        int found = -1;
        for (int i = 0; i < 10; ++i)
            found = model->rowOfPath(lastPath);
        const double lastMs = ms(timer) / 10;
        timer.restart();
        for (int i = 0; i < 10; ++i)
            found = std::max(found, model->rowOfPath(lastPath + "-not-listed"));
        std::printf("row of a path: %.1f ms (the last row), %.1f ms (a path not listed)\n", lastMs,
                    ms(timer) / 10);
        ResultRow renamed = model->row(row);
        renamed.fileName = "zz renamed.txt";
        timer.restart();
        model->replaceRow(row, std::move(renamed));
        settle();
        renderPage(list.currentView(), page);
        std::printf("rename of one row (new place, view update, draw): %.0f ms\n", ms(timer));
    }

    for (const bool on : {true, false}) {
        timer.restart();
        model->setShowExtensions(on);
        settle();
        renderPage(list.currentView(), page);
        std::printf("Show File Extensions %s: %.1f ms\n", on ? "on " : "off", ms(timer));
    }

    for (const int mode : {ResultList::Details, ResultList::List, ResultList::LargeIcons}) {
        list.setViewMode(mode);
        settle();
        QScrollBar* bar = mode == ResultList::List ? list.currentView()->horizontalScrollBar()
                                                   : list.currentView()->verticalScrollBar();
        double total = 0;
        double worst = 0;
        const int pages = 50;
        for (int i = 0; i < pages; ++i) {
            bar->setValue(bar->value() + bar->pageStep());
            QElapsedTimer one;
            one.start();
            settle();
            renderPage(list.currentView(), page);
            const double t = ms(one);
            total += t;
            worst = std::max(worst, t);
        }
        std::printf("scroll redraw, view %d: %.2f ms per page (worst %.2f)\n", mode, total / pages,
                    worst);
    }
    return 0;
}
