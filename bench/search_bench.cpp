// Memory and time of a walk as the window's engine does it: every match becomes a ResultRow
// with its type name and URL, made on the walking threads. Usage: search_bench FOLDER [TEXT]
#include "search/AsciiText.h"
#include "search/FolderWalker.h"
#include "search/MatchQuery.h"
#include "search/ParallelWalk.h"

#include <QElapsedTimer>

#include <cstdio>
#include <malloc.h>

namespace {

class RowSink final : public WalkSink {
public:
    bool stopRequested() override { return false; }
    void found(const FoundEntry& entry) override { rows.push_back(makeResultRow(entry)); }
    ResultRows rows;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: search_bench FOLDER [TEXT]\n");
        return 2;
    }
    LiveQuery query;
    query.setSearchText(QString::fromLocal8Bit(argc > 2 ? argv[2] : ""));
    SearchRequest request;
    request.IncludeSubfolders = true;
    request.FolderPath = argv[1];
    request.Pattern = FileFilter::fromChoice(FileFilter::AllFiles);

    // Warm the type-name cache and the file system first.
    {
        RowSink warm;
        FolderWalker walker(query, warm, true);
        walker.walk(request);
    }
    const size_t before = mallinfo2().uordblks;
    QElapsedTimer timer;
    timer.start();
    RowSink sink;
    sink.rows.reserve(1); // the vector grows as the window's batches would
    RowWalk walker(
        query, RowFormat(),
        [&sink](ResultRows& batch) {
            sink.rows.insert(sink.rows.end(), std::make_move_iterator(batch.begin()),
                             std::make_move_iterator(batch.end()));
            return true;
        },
        true, workThreadCount());
    walker.walk(request);
    const qint64 ms = timer.elapsed();
    sink.rows.shrink_to_fit();
    const size_t after = mallinfo2().uordblks;
    const double count = double(sink.rows.size());
    std::printf("rows: %zu in %lld ms\n", sink.rows.size(), static_cast<long long>(ms));
    std::printf("sizeof(ResultRow): %zu bytes\n", sizeof(ResultRow));
    const double perRow = count > 0 ? double(after - before) / count : 0.0;
    std::printf(
        "heap per row besides the row itself (name, shared folder, own texts): %.1f bytes\n",
        perRow - double(sizeof(ResultRow)));
    std::printf("total per row (row in the vector + heap): %.1f bytes\n", perRow);
    return 0;
}
