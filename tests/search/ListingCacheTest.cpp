#include "search/ListingCache.h"
#include "search/ParallelWalk.h"

#include "WalkFixture.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <random>
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
    std::vector<std::string> skipped;
    FolderWalker::Outcome outcome{};
    bool operator==(const Answer&) const = default;
};

std::string rowText(const FoundEntry& e)
{
    const QByteArray text = e.folder + e.name + '|' + QByteArray::number(e.isFolder) + '|' +
                            QByteArray::number(e.size) + '|' + QByteArray::number(e.mtime) + '|' +
                            e.url.toUtf8();
    return text.toStdString();
}

/// Walks with one FolderWalker.
Answer singleWalk(const SearchRequest& request, const QString& text)
{
    const CollectingSink sink = walkFor(request, text);
    Answer answer;
    for (const ResultRow& row : sink.rows)
        answer.rows.push_back(QByteArray(row.path() + '|' + QByteArray::number(row.folder) + '|' +
                                         QByteArray::number(row.size) + '|' +
                                         QByteArray::number(row.mtime) + '|' + row.url.toUtf8())
                                  .toStdString());
    for (const auto& [path, error] : sink.skipped)
        answer.skipped.push_back(path.toStdString() + ':' + std::to_string(error));
    answer.outcome = sink.outcome;
    return answer;
}

/// Walks with two threads; unreadable reports come in any order and are sorted.
Answer parallelWalk(const SearchRequest& request, const QString& text)
{
    LiveQuery query;
    query.setSearchText(text);
    Answer answer;
    std::string out;
    std::mutex mutex;
    ParallelWalk walk(
        query, [](const FoundEntry& e, std::string& o) { o += rowText(e) + '\n'; },
        [&](std::string_view bytes) {
            out.append(bytes);
            return true;
        },
        true, 2,
        [&](QByteArrayView path, int error) {
            const std::lock_guard lock(mutex);
            answer.skipped.push_back(path.toByteArray().toStdString() + ':' +
                                     std::to_string(error));
        });
    answer.outcome = walk.walk(request);
    for (size_t start = 0; start < out.size();) {
        const size_t end = out.find('\n', start);
        answer.rows.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    std::sort(answer.skipped.begin(), answer.skipped.end());
    return answer;
}

/// Random changes to a tree between searches, of every kind the cache must notice.
class TreeChanger final {
public:
    TreeChanger(const ByteTree& tree, quint32 seed)
        : m_tree(tree)
        , m_random(seed)
        , m_elsewhere(tree.root().chopped(1) + "-elsewhere")
    {
        fs::create_directories(m_elsewhere.toStdString());
    }
    ~TreeChanger() { fs::remove_all(m_elsewhere.toStdString()); }
    Q_DISABLE_COPY_MOVE(TreeChanger)

    /// Makes a starting tree of a few levels.
    void populate()
    {
        for (int i = 0; i < 12; ++i)
            makeFolder(randomFolder());
        for (int i = 0; i < 80; ++i)
            makeFile(randomFolder());
    }

    /// One random change; returns what it did, for the failure message.
    std::string change()
    {
        switch (pick(11)) {
        case 0:
        case 1:
            return makeFile(randomFolder());
        case 2:
            return makeFolder(randomFolder());
        case 3:
            return remove(randomEntry(false));
        case 4:
            return rename(randomEntry(true));
        case 5:
            return changeKeepingTime(randomFolder());
        case 6:
            return rewriteShortcut();
        case 7:
            return swapForLink();
        case 8:
            return toggleReadable();
        case 9:
            return grow(randomEntry(false));
        default:
            return remove(randomEntry(true));
        }
    }

private:
    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_random); }

    std::vector<fs::path> entries(bool folders) const
    {
        std::vector<fs::path> found;
        std::error_code error;
        const auto options = fs::directory_options::skip_permission_denied;
        for (fs::recursive_directory_iterator it(m_tree.root().toStdString(), options, error), end;
             it != end; it.increment(error)) {
            if (it->is_symlink())
                continue;
            if (it->is_directory() != folders)
                continue;
            if (folders && (::access(it->path().c_str(), R_OK | X_OK) != 0))
                continue;
            found.push_back(it->path());
        }
        std::sort(found.begin(), found.end()); // the order must not depend on the disk
        return found;
    }
    fs::path randomFolder()
    {
        std::vector<fs::path> folders = entries(true);
        folders.push_back(m_tree.root().toStdString());
        return folders[pick(folders.size())];
    }
    fs::path randomEntry(bool folders)
    {
        const std::vector<fs::path> found = entries(folders);
        return found.empty() ? fs::path() : found[pick(found.size())];
    }
    std::string newName(const char* const* suffixes, size_t count)
    {
        static const char* const stems[] = {"img_", "invoice-", "Kestrel ", "note", "x"};
        return stems[pick(5)] + std::to_string(m_counter++) + suffixes[pick(count)];
    }
    std::string makeFile(const fs::path& folder)
    {
        static const char* const suffixes[] = {"", ".txt", ".JPG", ".url", ".desktop", "url"};
        const fs::path file = folder / newName(suffixes, 6);
        QByteArray contents(qsizetype(pick(3000)), 'z');
        if (file.string().ends_with("url"))
            contents = "[InternetShortcut]\nURL=http://kestrel.example/" + letters(8) + '\n';
        else if (file.string().ends_with(".desktop"))
            contents = "[Desktop Entry]\nType=Link\nURL=https://site.example/" + letters(8) + '\n';
        write(file, contents);
        return "file " + file.string();
    }
    std::string makeFolder(const fs::path& folder)
    {
        static const char* const suffixes[] = {"", ".d"};
        const fs::path made = folder / newName(suffixes, 2);
        fs::create_directory(made);
        makeFile(made);
        return "folder " + made.string();
    }
    std::string remove(const fs::path& entry)
    {
        if (entry.empty())
            return "nothing to remove";
        std::error_code error;
        fs::remove_all(entry, error);
        return "remove " + entry.string();
    }
    std::string rename(const fs::path& entry)
    {
        if (entry.empty())
            return "nothing to rename";
        static const char* const suffixes[] = {"", ".url", ".txt"};
        const fs::path target =
            (pick(2) ? entry.parent_path() : randomFolder()) / newName(suffixes, 3);
        std::error_code error;
        fs::rename(entry, target, error); // into itself fails: fine
        return "rename " + entry.string() + " to " + target.string();
    }
    /// Adds or removes an entry and puts the folder's modification time back as it was.
    std::string changeKeepingTime(const fs::path& folder)
    {
        struct stat before;
        ::stat(folder.c_str(), &before);
        const std::string what = pick(2) ? makeFile(folder) : remove(randomEntryIn(folder));
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(AT_FDCWD, folder.c_str(), times, 0);
        return "same time: " + what;
    }
    fs::path randomEntryIn(const fs::path& folder)
    {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                found.push_back(entry.path());
        std::sort(found.begin(), found.end());
        return found.empty() ? fs::path() : found[pick(found.size())];
    }
    /// A new address of the same length, and the file's times as they were.
    std::string rewriteShortcut()
    {
        std::vector<fs::path> shortcuts;
        for (const fs::path& file : entries(false))
            if (file.string().ends_with("url"))
                shortcuts.push_back(file);
        if (shortcuts.empty())
            return makeFile(randomFolder());
        const fs::path file = shortcuts[pick(shortcuts.size())];
        struct stat before;
        ::stat(file.c_str(), &before);
        write(file, "[InternetShortcut]\nURL=http://kestrel.example/" + letters(8) + '\n');
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ::utimensat(AT_FDCWD, file.c_str(), times, 0);
        return "rewrite " + file.string();
    }
    /// Moves a folder out of the tree and leaves a link to it in its place.
    std::string swapForLink()
    {
        const fs::path folder = randomEntry(true);
        if (folder.empty())
            return "no folder to swap";
        const fs::path away = fs::path(m_elsewhere.toStdString()) / std::to_string(m_counter++);
        fs::rename(folder, away);
        fs::create_directory_symlink(away, folder);
        return "link " + folder.string();
    }
    std::string toggleReadable()
    {
        if (::geteuid() == 0)
            return "unreadable skipped as root";
        if (!m_closed.empty()) {
            std::error_code error;
            fs::permissions(m_closed, fs::perms::owner_all, error);
            const std::string what = "reopen " + m_closed.string();
            m_closed.clear();
            return what;
        }
        m_closed = randomEntry(true);
        if (m_closed.empty())
            return "no folder to close";
        fs::permissions(m_closed, fs::perms::none);
        return "close " + m_closed.string();
    }
    std::string grow(const fs::path& file)
    {
        if (file.empty())
            return "no file to grow";
        const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND);
        EXPECT_EQ(::write(fd, "more", 4), 4);
        ::close(fd);
        return "grow " + file.string();
    }
    QByteArray letters(int count)
    {
        QByteArray text;
        for (int i = 0; i < count; ++i)
            text.append(char('a' + pick(26)));
        return text;
    }
    static void write(const fs::path& file, const QByteArray& contents)
    {
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(::write(fd, contents.constData(), size_t(contents.size())), contents.size());
        ::close(fd);
    }

    const ByteTree& m_tree;
    std::mt19937 m_random;
    QByteArray m_elsewhere;
    fs::path m_closed;
    int m_counter = 0;
};

/// Every cached search, single and parallel, answers exactly as a walk without the cache
/// while the tree changes under it in every way the cache must notice.
TEST(ListingCache, CachedSearchesMatchFreshWalksWhileTheTreeChanges)
{
    const quint32 seed = 20261207;
    SCOPED_TRACE("seed " + std::to_string(seed));
    const ByteTree tree;
    TreeChanger changer(tree, seed);
    changer.populate();
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
                    SearchRequest cached = fresh;
                    cached.Listings = cache;
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

/// A repeated search reads only the folders that changed; a folder whose listing was taken
/// just after a change is read again, and what the cache keeps is counted.
TEST(ListingCache, RepeatedSearchReadsOnlyChangedFolders)
{
    const ByteTree tree;
    tree.make({"a/", "a/img_1.jpg", "a/b/", "a/b/img_2.jpg", "c/", "c/note.url", "top.txt"});
    tree.file("c/note.url", "[InternetShortcut]\nURL=http://img_site/\n");
    letSettle();
    const auto cache = testCache();
    SearchRequest request = allFilesIn(tree.root());
    request.Listings = cache;
    const Answer first = singleWalk(request, u"img_"_qs);
    EXPECT_EQ(first.rows.size(), 3u); // two names and the shortcut's address
    EXPECT_EQ(cache->counts().read, 4u);
    EXPECT_EQ(cache->counts().stored, 4u);
    EXPECT_EQ(cache->counts().entries, 7u);
    EXPECT_GT(cache->bytes(), 0u);

    EXPECT_EQ(singleWalk(request, u"img_"_qs), first);
    EXPECT_EQ(cache->counts().replayed, 4u);
    EXPECT_EQ(cache->counts().read, 4u);

    tree.file("a/b/img_3.jpg"); // changes a/b only, which is then too recent to keep
    EXPECT_EQ(singleWalk(request, u"img_"_qs).rows.size(), 4u);
    EXPECT_EQ(cache->counts().read, 5u);
    tree.file("a/b/img_4.jpg"); // the same clock tick, maybe: still seen
    EXPECT_EQ(singleWalk(request, u"img_"_qs).rows.size(), 5u);
    EXPECT_EQ(cache->counts().read, 6u);
    EXPECT_EQ(cache->scopes(), std::vector<std::string>{tree.root().toStdString()});
}

/// With a small bound the least recently searched scope is dropped first, the bound holds,
/// and searches stay exact.
TEST(ListingCache, SmallBoundDropsTheLeastRecentlySearchedScope)
{
    const ByteTree tree;
    const QByteArray scopes[] = {"one", "two", "three"};
    for (const QByteArray& scope : scopes) {
        tree.dir(scope);
        for (int i = 0; i < 4; ++i) {
            const QByteArray folder = scope + "/f" + QByteArray::number(i);
            tree.dir(folder);
            for (int j = 0; j < 50; ++j)
                tree.file(folder + "/entry-" + QByteArray::number(j) + QByteArray(40, 'n'));
        }
    }
    letSettle();
    // Measure one scope, then allow a little over two.
    const auto measure = testCache();
    SearchRequest probe = allFilesIn(tree.path("one"));
    probe.Listings = measure;
    singleWalk(probe, u"entry-7"_qs);
    const size_t oneScope = measure->bytes();
    ASSERT_GT(oneScope, 5u * 50 * 40); // the names at least
    const auto cache = testCache(oneScope * 5 / 2);

    const auto search = [&](const QByteArray& scope) {
        SearchRequest request = allFilesIn(tree.path(scope));
        SearchRequest fresh = request;
        request.Listings = cache;
        EXPECT_EQ(singleWalk(request, u"entry-7"_qs), singleWalk(fresh, u"entry-7"_qs))
            << scope.constData();
        EXPECT_LE(cache->bytes(), cache->maxBytes());
    };
    const auto tops = [&](std::initializer_list<const char*> names) {
        std::vector<std::string> expected;
        for (const char* name : names)
            expected.push_back(tree.path(name).toStdString() + '/');
        return expected;
    };
    search("one");
    search("two");
    EXPECT_EQ(cache->scopes(), tops({"two", "one"}));
    search("one"); // now the most recent
    search("three");
    EXPECT_EQ(cache->scopes(), tops({"three", "one"}));
    const quint64 replayedBefore = cache->counts().replayed;
    search("one");
    EXPECT_EQ(cache->counts().replayed, replayedBefore + 5); // kept whole
    search("two");
    EXPECT_EQ(cache->scopes(), tops({"two", "one"}));

    // A bound smaller than one scope keeps part of it and stays exact.
    const auto tiny = testCache(oneScope / 2);
    SearchRequest request = allFilesIn(tree.path("three"));
    SearchRequest fresh = request;
    request.Listings = tiny;
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(singleWalk(request, u"entry-3"_qs), singleWalk(fresh, u"entry-3"_qs));
    EXPECT_LE(tiny->bytes(), tiny->maxBytes());
    EXPECT_GT(tiny->counts().replayed, 0u);
}

/// Several walks on threads share one cache and one scope.
TEST(ListingCache, ConcurrentWalksShareOneCache)
{
    const ByteTree tree;
    for (int i = 0; i < 20; ++i) {
        const QByteArray folder = "d" + QByteArray::number(i);
        tree.dir(folder);
        for (int j = 0; j < 30; ++j)
            tree.file(folder + "/img_" + QByteArray::number(j));
    }
    letSettle();
    const auto cache = testCache();
    const SearchRequest fresh = allFilesIn(tree.root());
    SearchRequest cached = fresh;
    cached.Listings = cache;
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

/// Folders far below PATH_MAX are answered from memory too, looked at from the second anchor
/// the walk keeps there.
TEST(ListingCache, DeepTreesBeyondPathMax)
{
    const ByteTree tree;
    int fd = open(tree.root().constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    const int depth = 3000; // "d/" per level: 6,000 bytes of path
    for (int i = 0; i < depth; ++i) {
        ASSERT_EQ(mkdirat(fd, "d", 0755), 0) << i;
        close(openat(fd, QByteArray("mark" + QByteArray::number(i)).constData(), O_WRONLY | O_CREAT,
                     0644));
        const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    close(fd);
    letSettle();
    const auto cache = testCache();
    const SearchRequest fresh = allFilesIn(tree.root());
    SearchRequest cached = fresh;
    cached.Listings = cache;
    const Answer expected = singleWalk(fresh, u"mark29"_qs);
    ASSERT_EQ(expected.rows.size(), 111u); // mark29, mark290-299, mark2900-2999
    EXPECT_EQ(singleWalk(cached, u"mark29"_qs), expected);
    const ListingCache::Counts first = cache->counts();
    EXPECT_EQ(singleWalk(cached, u"mark29"_qs), expected);
    const ListingCache::Counts second = cache->counts();
    EXPECT_LT(second.read - first.read, 10u);
    EXPECT_GT(second.replayed - first.replayed, quint64(depth) - 10);
}

} // namespace
