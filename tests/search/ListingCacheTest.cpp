#include "search/ListingCache.h"
#include "search/ParallelWalk.h"

#include "WalkFixture.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <filesystem>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

/// Tests let things settle for this long instead of two seconds; the rule is the same.
constexpr qint64 TestSettle = 200'000'000;

void letSettle()
{
    QThread::msleep(TestSettle / 1'000'000 + 60);
}

std::shared_ptr<ListingCache> testCache(size_t maxBytes = ListingCache::DefaultMaxBytes)
{
    return std::make_shared<ListingCache>(maxBytes, TestSettle);
}

/// One walk's whole answer: every row field and the folders reported unreadable.
struct Answer {
    std::vector<std::string> rows;
    QList<std::pair<QByteArray, int>> skipped;
    FolderWalker::Outcome outcome{};
    bool operator==(const Answer&) const = default;
};

template<typename Walked> Answer answerOf(const Walked& walked)
{
    return {rowTexts(walked.rows), walked.skipped, walked.outcome};
}

Answer singleWalk(const SearchRequest& request, const QString& text)
{
    return answerOf(walkFor(request, text));
}

Answer parallelWalk(const SearchRequest& request, const QString& text)
{
    return answerOf(rowWalk(request, text, 2));
}

SearchRequest cachedIn(SearchRequest request, const std::shared_ptr<ListingCache>& cache)
{
    request.Listings = cache;
    return request;
}

/// Random changes to a tree between searches, of every kind the cache must notice.
class TreeChanger final {
public:
    /// Makes a starting tree of a few levels.
    TreeChanger(const ByteTree& tree, quint32 seed)
        : m_root(tree.root().toStdString())
        , m_elsewhere(tree.root().chopped(1).toStdString() + "-elsewhere")
        , m_random(seed)
    {
        fs::create_directories(m_elsewhere);
        for (int i = 0; i < 12; ++i)
            makeFolder(randomFolder());
        for (int i = 0; i < 80; ++i)
            makeFile(randomFolder());
    }
    ~TreeChanger() { fs::remove_all(m_elsewhere); }
    Q_DISABLE_COPY_MOVE(TreeChanger)

    /// One random change; returns what it did, for the failure message.
    std::string change()
    {
        const int kind = int(pick(11));
        if (kind <= 1)
            return makeFile(randomFolder());
        if (kind == 2)
            return makeFolder(randomFolder());
        if (kind == 5) { // an entry more or less, the folder's time put back
            const fs::path folder = randomFolder();
            return "same time: " + keepingTime(folder, [&] {
                       return pick(2) ? makeFile(folder) : remove(pickFrom(entries(false, folder)));
                   });
        }
        if (kind == 6) { // a new address of the same length, the file's time put back
            std::vector<fs::path> shortcuts = entries(false);
            std::erase_if(shortcuts,
                          [](const fs::path& f) { return !f.string().ends_with("url"); });
            const fs::path file = pickFrom(shortcuts);
            if (file.empty())
                return makeFile(randomFolder());
            return "rewrite " + keepingTime(file, [&] { return write(file, shortcut(true)); });
        }
        const fs::path entry = pickFrom(entries(kind != 3 && kind != 9));
        if (entry.empty())
            return "nothing to change";
        std::error_code error;
        switch (kind) {
        case 4: {
            const fs::path to =
                (pick(2) ? entry.parent_path() : randomFolder()) / newName({"", ".url", ".txt"});
            fs::rename(entry, to, error); // into itself fails: fine
            return "rename " + entry.string() + " to " + to.string();
        }
        case 7: { // the folder moves out of the tree and a link takes its place
            const fs::path away = fs::path(m_elsewhere) / std::to_string(m_counter++);
            fs::rename(entry, away);
            fs::create_directory_symlink(away, entry);
            return "link " + entry.string();
        }
        case 8: // closes a folder, or opens the one closed before
            if (::geteuid() == 0)
                return "unreadable skipped as root";
            if (!m_closed.empty()) {
                fs::permissions(std::exchange(m_closed, {}), fs::perms::owner_all, error);
                return "reopen";
            }
            fs::permissions(m_closed = entry, fs::perms::none, error);
            return "close " + entry.string();
        case 9:
            write(entry, "more", O_APPEND);
            return "grow " + entry.string();
        default:
            return remove(entry);
        }
    }

private:
    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }
    fs::path pickFrom(const std::vector<fs::path>& found)
    {
        return found.empty() ? fs::path() : found[pick(found.size())];
    }
    /// The readable folders or the files below `top`, in an order that does not depend on
    /// the disk.
    std::vector<fs::path> entries(bool folders, const fs::path& top = {}) const
    {
        std::vector<fs::path> found;
        std::error_code error;
        for (fs::recursive_directory_iterator
                 it(top.empty() ? fs::path(m_root) : top,
                    fs::directory_options::skip_permission_denied, error),
             end;
             it != end; it.increment(error)) {
            if (!top.empty())
                it.disable_recursion_pending();
            if (it->is_symlink() || it->is_directory() != folders)
                continue;
            if (!folders || ::access(it->path().c_str(), R_OK | X_OK) == 0)
                found.push_back(it->path());
        }
        std::sort(found.begin(), found.end());
        return found;
    }
    fs::path randomFolder()
    {
        std::vector<fs::path> folders = entries(true);
        folders.push_back(m_root);
        return pickFrom(folders);
    }
    std::string newName(std::initializer_list<const char*> suffixes)
    {
        static const char* const stems[] = {"img_", "invoice-", "Kestrel ", "note", "x"};
        return stems[pick(5)] + std::to_string(m_counter++) +
               suffixes.begin()[pick(suffixes.size())];
    }
    QByteArray shortcut(bool internet)
    {
        QByteArray letters;
        for (int i = 0; i < 8; ++i)
            letters.append(char('a' + pick(26)));
        return (internet ? "[InternetShortcut]\nURL=http://kestrel.example/"
                         : "[Desktop Entry]\nType=Link\nURL=https://site.example/") +
               letters + '\n';
    }
    std::string makeFile(const fs::path& folder)
    {
        const fs::path file = folder / newName({"", ".txt", ".JPG", ".url", ".desktop", "url"});
        const std::string name = file.string();
        const bool isShortcut = name.ends_with("url") || name.ends_with(".desktop");
        std::string made = "file " + write(file, name.ends_with("url") ? shortcut(true)
                                                 : name.ends_with(".desktop")
                                                     ? shortcut(false)
                                                     : QByteArray(qsizetype(pick(3000)), 'z'));
        if (isShortcut && pick(3) == 0) {
            // Read through the link: a rewrite of the file must show in the link's row too.
            const fs::path link = randomFolder() / newName({".url", ".desktop", "url"});
            std::error_code error;
            fs::create_symlink(file, link, error);
            made += ", linked from " + link.string();
        }
        return made;
    }
    std::string makeFolder(const fs::path& folder)
    {
        const fs::path made = folder / newName({"", ".d"});
        fs::create_directory(made);
        makeFile(made);
        return "folder " + made.string();
    }
    static std::string remove(const fs::path& entry)
    {
        std::error_code error;
        fs::remove_all(entry, error);
        return "remove " + entry.string();
    }
    /// Does `change` and puts the modification time of `path` back as it was.
    template<typename Change> static std::string keepingTime(const fs::path& path, Change change)
    {
        struct stat before;
        ::stat(path.c_str(), &before);
        const std::string what = change();
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return what;
    }
    static std::string write(const fs::path& file, const QByteArray& contents,
                             int flags = O_CREAT | O_TRUNC)
    {
        const int fd = ::open(file.c_str(), O_WRONLY | flags, 0644);
        EXPECT_EQ(::write(fd, contents.constData(), size_t(contents.size())), contents.size());
        ::close(fd);
        return file.string();
    }

    std::string m_root;
    std::string m_elsewhere;
    std::mt19937 m_random;
    fs::path m_closed;
    int m_counter = 0;
};

/// Every cached search, single and parallel, answers exactly as a walk without the cache
/// while the tree changes under it in every way the cache must notice.
TEST(ListingCache, CachedSearchesMatchFreshWalksWhileTheTreeChanges)
{
    // KF_TEST_SEED tries other sequences of changes (a failure names its seed).
    const quint32 seed = qEnvironmentVariableIsSet("KF_TEST_SEED")
                             ? quint32(qEnvironmentVariable("KF_TEST_SEED").toUInt())
                             : 20261207;
    SCOPED_TRACE("seed " + std::to_string(seed));
    const ByteTree tree;
    TreeChanger changer(tree, seed);
    letSettle();
    const auto cache = testCache();
    const QString texts[] = {u"img_"_qs, u"KESTREL"_qs, u""_qs, u"e"_qs};
    const FileFilter filters[] = {FileFilter::fromChoice(FileFilter::AllFiles),
                                  FileFilter::fromPattern(u"*.url"_qs)};
    std::string changes;
    for (int round = 0; round < 40; ++round) {
        const size_t count = size_t(round % 3 + 1);
        for (size_t i = 0; i < count; ++i)
            changes += changer.change() + '\n';
        if (round % 6 == 5)
            letSettle(); // so that changed folders are kept again and their next change seen
        for (const bool subfolders : {true, false}) {
            for (const FileFilter& filter : filters) {
                for (const QString& text : texts) {
                    SearchRequest fresh = allFilesIn(tree.root(), subfolders);
                    fresh.Pattern = filter;
                    const SearchRequest cached = cachedIn(fresh, cache);
                    const Answer got = singleWalk(cached, text);
                    ASSERT_EQ(got, singleWalk(fresh, text))
                        << "round " << round << " text " << text.toStdString() << " subfolders "
                        << subfolders << "\nchanges:\n"
                        << changes;
                    if (&text == &texts[0]) {
                        ASSERT_EQ(parallelWalk(cached, text), parallelWalk(fresh, text))
                            << "parallel, round " << round << "\nchanges:\n"
                            << changes;
                    }
                }
            }
        }
    }
    const ListingCache::Counts counts = cache->counts();
    // Changed folders are read again until they settle, so the share answered from memory
    // depends on the changes; it must still be a large part.
    EXPECT_GT(counts.replayed * 3, counts.read) << counts.replayed << " of " << counts.read;
    EXPECT_GT(counts.stored, 0u);
}

/// A link to a shortcut elsewhere: its folder does not change when the shortcut is rewritten,
/// so a repeated search must read the address through the link again.
TEST(ListingCache, LinkedShortcutsAreReadThroughOnEveryRepeat)
{
    const ByteTree tree;
    const ByteTree elsewhere;
    tree.make({"plain/", "plain/other.txt"});
    const QByteArray target = elsewhere.file("site.url", "[InternetShortcut]\nURL=http://aaaa/\n");
    ASSERT_EQ(symlink(target.constData(), tree.path("plain/linked.url").constData()), 0);
    letSettle();
    const auto cache = testCache();
    const SearchRequest request = cachedIn(allFilesIn(tree.root()), cache);
    for (const char* address : {"aaaa", "bbbb"}) {
        struct stat before;
        ASSERT_EQ(::stat(target.constData(), &before), 0);
        elsewhere.file("site.url", "[InternetShortcut]\nURL=http://" + QByteArray(address) + "/\n");
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, target.constData(), times, 0), 0);
        for (int repeat = 0; repeat < 2; ++repeat) {
            const Answer got = singleWalk(request, QString::fromLatin1(address));
            ASSERT_EQ(got.rows.size(), 1u) << address << " repeat " << repeat;
            EXPECT_EQ(got, singleWalk(allFilesIn(tree.root()), QString::fromLatin1(address)));
        }
    }
    EXPECT_GT(cache->counts().replayed, 0u);
}

/// A repeated search reads only the folders that changed; a folder whose listing was taken
/// just after a change is read again, and what the cache keeps is counted.
TEST(ListingCache, RepeatedSearchReadsOnlyChangedFolders)
{
    const ByteTree tree;
    tree.make({"a/", "a/img_1.jpg", "a/b/", "a/b/img_2.jpg", "c/", "c/note.url", "top.txt"});
    tree.file("c/note.url", "[InternetShortcut]\nURL=http://img_site/\n");
    letSettle();
    const auto cache = testCache();
    const SearchRequest request = cachedIn(allFilesIn(tree.root()), cache);
    const Answer first = singleWalk(request, u"img_"_qs);
    EXPECT_EQ(first.rows.size(), 3u); // two names and the shortcut's address
    EXPECT_EQ(cache->counts().read, 4u);
    EXPECT_EQ(cache->counts().stored, 4u);
    EXPECT_EQ(cache->counts().entries, 7u);

    EXPECT_EQ(singleWalk(request, u"img_"_qs), first);
    EXPECT_EQ(cache->counts().replayed, 4u);
    EXPECT_EQ(cache->counts().read, 4u);

    tree.file("a/b/img_3.jpg"); // changes a/b only, which is then too recent to keep
    EXPECT_EQ(singleWalk(request, u"img_"_qs).rows.size(), 4u);
    EXPECT_EQ(cache->counts().read, 5u);
    tree.file("a/b/img_4.jpg"); // the same clock tick, maybe: still seen
    EXPECT_EQ(singleWalk(request, u"img_"_qs).rows.size(), 5u);
    EXPECT_EQ(cache->counts().read, 6u);
}

/// With a small bound the least recently searched scope is dropped first, the bound holds,
/// and searches stay exact.
TEST(ListingCache, SmallBoundDropsTheLeastRecentlySearchedScope)
{
    const ByteTree tree;
    const QByteArray scopes[] = {"one", "two", "three"};
    for (const QByteArray& scope : scopes) {
        tree.dir(scope);
        tree.grid(scope + "/f", 4, QByteArray(40, 'n') + "-entry-", 50);
    }
    letSettle();
    // Measure one scope, then allow a little over two.
    const auto measure = testCache();
    singleWalk(cachedIn(allFilesIn(tree.path("one")), measure), u"entry-7"_qs);
    const size_t oneScope = measure->bytes();
    ASSERT_GT(oneScope, 5u * 50 * 40); // the names at least
    const auto cache = testCache(oneScope * 5 / 2);

    const auto search = [&](const QByteArray& scope, const std::shared_ptr<ListingCache>& in,
                            const QString& text = u"entry-7"_qs) {
        const SearchRequest fresh = allFilesIn(tree.path(scope));
        EXPECT_EQ(singleWalk(cachedIn(fresh, in), text), singleWalk(fresh, text))
            << scope.constData();
        EXPECT_LE(in->bytes(), in->maxBytes());
    };
    const auto tops = [&](std::initializer_list<const char*> names) {
        std::vector<std::string> expected;
        for (const char* name : names)
            expected.push_back(tree.path(name).toStdString() + '/');
        return expected;
    };
    search("one", cache);
    search("two", cache);
    EXPECT_EQ(cache->scopes(), tops({"two", "one"}));
    search("one", cache); // now the most recent
    search("three", cache);
    EXPECT_EQ(cache->scopes(), tops({"three", "one"}));
    const quint64 replayedBefore = cache->counts().replayed;
    search("one", cache);
    EXPECT_EQ(cache->counts().replayed, replayedBefore + 5); // kept whole
    search("two", cache);
    EXPECT_EQ(cache->scopes(), tops({"two", "one"}));

    // A bound smaller than one scope keeps part of it and stays exact.
    const auto tiny = testCache(oneScope / 2);
    for (int i = 0; i < 2; ++i)
        search("three", tiny, u"entry-3"_qs);
    EXPECT_GT(tiny->counts().replayed, 0u);
}

/// Several walks on threads share one cache and one scope.
TEST(ListingCache, ConcurrentWalksShareOneCache)
{
    const ByteTree tree;
    tree.grid("d", 20, "img_", 30);
    letSettle();
    const auto cache = testCache();
    const SearchRequest fresh = allFilesIn(tree.root());
    const SearchRequest cached = cachedIn(fresh, cache);
    const Answer expected = singleWalk(fresh, u"img_1"_qs);
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i)
                if (!(singleWalk(cached, u"img_1"_qs) == expected) ||
                    !(parallelWalk(cached, u"img_1"_qs).rows == expected.rows))
                    ++wrong;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(cache->counts().folders, 21u);
}

/// 5,000 levels of short names put the deepest paths far beyond PATH_MAX: a walk reads them
/// without keeping a descriptor per level open, and repeats answer them from memory too,
/// looked at from the second anchor the walk keeps there.
TEST(ListingCache, DeepTreesBeyondPathMaxWithFewDescriptors)
{
    const ByteTree tree;
    const int depth = 5000;
    tree.chain(depth, 1000);
    letSettle();
    const auto cache = testCache();
    const SearchRequest fresh = allFilesIn(tree.root());
    const SearchRequest cached = cachedIn(fresh, cache);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const rlimit few{64, saved.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    const CollectingSink sink = walkFor(fresh, u"mark"_qs);
    const Answer first = singleWalk(cached, u"mark"_qs);
    const ListingCache::Counts firstCounts = cache->counts();
    const Answer second = singleWalk(cached, u"mark"_qs);
    setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_EQ(sink.rows.size(), 5u);
    const ResultRow& deepest = sink.rows.back();
    EXPECT_EQ(deepest.path().count('/') - tree.root().count('/'), depth);
    EXPECT_EQ(deepest.name(), QByteArrayView("mark4999"));
    EXPECT_NE(deepest.mtime, ResultRow::NoTime); // its size and time were read too
    EXPECT_EQ(first, answerOf(sink));
    EXPECT_EQ(second, first);
    const ListingCache::Counts counts = cache->counts();
    EXPECT_LT(counts.read - firstCounts.read, 10u);
    EXPECT_GT(counts.replayed - firstCounts.replayed, quint64(depth) - 10);
}

} // namespace
