// First and repeated searches of one folder tree, with and without the listing cache: wall
// and processor time, folders read from the disk, memory kept per cached entry.
// Usage: cache_bench FOLDER [TEXT...]   (texts default to "invoice" and "img_")
//        cache_bench --repeat1|--repeat2 FOLDER TEXT TIMES   (fill, then repeat: to profile)
#include "search/FolderWalker.h"
#include "search/ListingCache.h"
#include "search/MatchQuery.h"
#include "search/ParallelWalk.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace {

class CountingSink final : public WalkSink {
public:
    bool stopRequested() override { return false; }
    void found(const FoundEntry&) override { ++rows; }
    quint64 rows = 0;
};

double cpuMs()
{
    struct timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

std::string load()
{
    std::ifstream file("/proc/loadavg");
    std::string line;
    std::getline(file, line);
    return line;
}

/// How one search went.
struct Run {
    quint64 rows = 0;
    double wallMs = 0;
    double cpuMs = 0;
};

/// One search: the window's walk (one thread, size and date of every match) or the command
/// line's (two threads, names only).
Run search(const SearchRequest& request, const LiveQuery& query, bool parallel)
{
    Run run;
    QElapsedTimer timer;
    const double cpu = cpuMs();
    timer.start();
    if (parallel) {
        ParallelWalk walk(
            query, [](const FoundEntry&, std::string& out) { out.push_back('x'); },
            [](std::string_view) { return true; }, false, 2);
        walk.walk(request);
        run.rows = walk.count();
    } else {
        CountingSink sink;
        FolderWalker walker(query, sink, true);
        walker.walk(request);
        run.rows = sink.rows;
    }
    run.wallMs = double(timer.nsecsElapsed()) / 1e6;
    run.cpuMs = cpuMs() - cpu;
    return run;
}

void report(const char* what, const Run& run, const ListingCache* cache,
            const ListingCache::Counts& before)
{
    std::printf("  %-34s %8.1f ms wall %8.1f ms cpu  %7llu rows", what, run.wallMs, run.cpuMs,
                static_cast<unsigned long long>(run.rows));
    if (cache) {
        const ListingCache::Counts after = cache->counts();
        std::printf("  folders read %llu, from memory %llu",
                    static_cast<unsigned long long>(after.read - before.read),
                    static_cast<unsigned long long>(after.replayed - before.replayed));
    }
    std::printf("\n");
}

/// Every entry below `folder`, subfolders included.
SearchRequest wholeTree(const char* folder)
{
    SearchRequest request;
    request.IncludeSubfolders = true;
    request.FolderPath = folder;
    request.Pattern = FileFilter::fromChoice(FileFilter::AllFiles);
    return request;
}

void benchText(const char* folder, const QString& text, bool parallel)
{
    LiveQuery query;
    query.setSearchText(text);
    SearchRequest request = wholeTree(folder);
    std::printf("%s, \"%s\", %s (load %s)\n", folder, qPrintable(text),
                parallel ? "2 threads, names only" : "1 thread, size and date per match",
                load().c_str());
    search(request, query, parallel); // warm the kernel's caches
    report("without cache", search(request, query, parallel), nullptr, {});

    request.Listings = std::make_shared<ListingCache>();
    ListingCache::Counts before = request.Listings->counts();
    report("with cache, first (fills it)", search(request, query, parallel), request.Listings.get(),
           before);
    for (int i = 1; i <= 3; ++i) {
        before = request.Listings->counts();
        const std::string what = "with cache, repeated #" + std::to_string(i);
        report(what.c_str(), search(request, query, parallel), request.Listings.get(), before);
    }
    const ListingCache::Counts kept = request.Listings->counts();
    const double entries = double(kept.entries);
    std::printf("  kept: %llu folders, %llu entries, %.1f MB; %.1f bytes per entry, of which "
                "%.1f name bytes\n",
                static_cast<unsigned long long>(kept.folders),
                static_cast<unsigned long long>(kept.entries),
                double(request.Listings->bytes()) / 1048576.0,
                double(request.Listings->bytes()) / entries, double(kept.nameBytes) / entries);
}

/// Fills a cache, then repeats the search `times` times: a steady load for a profiler.
void profileRepeats(const char* folder, const QString& text, bool parallel, int times)
{
    LiveQuery query;
    query.setSearchText(text);
    SearchRequest request = wholeTree(folder);
    request.Listings = std::make_shared<ListingCache>();
    search(request, query, parallel);
    for (int i = 0; i < times; ++i) {
        const ListingCache::Counts before = request.Listings->counts();
        report("repeated", search(request, query, parallel), request.Listings.get(), before);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: cache_bench FOLDER [TEXT...]\n");
        return 2;
    }
    if (argc == 5 && std::string(argv[1]).rfind("--repeat", 0) == 0) {
        // cache_bench --repeat1|--repeat2 FOLDER TEXT TIMES
        profileRepeats(argv[2], QString::fromLocal8Bit(argv[3]), argv[1][8] == '2',
                       std::atoi(argv[4]));
        return 0;
    }
    QStringList texts;
    for (int i = 2; i < argc; ++i)
        texts.append(QString::fromLocal8Bit(argv[i]));
    if (texts.isEmpty())
        texts = {QStringLiteral("invoice"), QStringLiteral("img_")};
    for (const QString& text : texts) {
        benchText(argv[1], text, false);
        benchText(argv[1], text, true);
    }
    return 0;
}
