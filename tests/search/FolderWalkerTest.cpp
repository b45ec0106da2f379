#include "search/FolderWalker.h"
#include "platform/SmallFile.h"
#include "search/FolderOpen.h"
#include "search/Shortcut.h"

#include "WalkFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>

#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>

namespace {

TEST(FolderWalker, ListsAFoldersOwnMatchesBeforeItsSubfolders)
{
    const ByteTree tree;
    tree.make({"a/", "a/deep/", "a/deep/x-deep", "a/x-a", "b/", "b/x-b", "x-top1", "x-top2"});
    const QList<QByteArray> paths = walkFor(allFilesIn(tree.root()), u"x-"_qs).paths();
    ASSERT_EQ(paths.size(), 5);
    EXPECT_TRUE(paths.indexOf(tree.path("x-top1")) < 2);
    EXPECT_TRUE(paths.indexOf(tree.path("x-top2")) < 2);
    EXPECT_LT(paths.indexOf(tree.path("a/x-a")), paths.indexOf(tree.path("a/deep/x-deep")));
}

TEST(FolderWalker, BuildsRowsWithExactPathsSizesAndTimes)
{
    const ByteTree tree;
    tree.dir("Docs");
    tree.file("Docs/notes.txt", QByteArray(1500, 'n'));
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 500000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, tree.path("Docs/notes.txt").constData(), times, 0), 0);
    const CollectingSink sink = walkFor(allFilesIn(tree.root()), QString());
    ASSERT_EQ(sink.paths(), (QList<QByteArray>{tree.path("Docs"), tree.path("Docs/notes.txt")}));
    EXPECT_TRUE(sink.rows[0].folder);
    EXPECT_EQ(sink.rows[0].url, u"n/a"_qs);
    const ResultRow& file = sink.rows[1];
    EXPECT_EQ(file.name(), QByteArrayView("notes.txt"));
    EXPECT_EQ(file.size, 1500);
    EXPECT_EQ(file.mtime, 1234567890500LL);
    EXPECT_FALSE(file.folder);
}

TEST(FolderWalker, ListsWhatTheFilterAsks)
{
    const ByteTree tree;
    // A folder that fits the filter is listed and entered.
    tree.make({"p/", "p/old.gif/", "p/old.gif/in.gif", "p/a.gif", "p/b.png"});
    tree.file("tool", "#!/bin/sh\n", 0755);
    tree.file("plain.sh", "#!/bin/sh\n", 0644);
    ASSERT_EQ(symlink("tool", tree.path("link-to-tool").constData()), 0);
    // Without subfolders, and the text with a filter: the finder's tests.
    const struct {
        int choice; // Custom uses the pattern
        QString pattern;
        QList<QByteArray> expected; // relative, sorted
    } cases[] = {
        {FileFilter::Custom, u"*.GIF"_qs, {"p/a.gif", "p/old.gif", "p/old.gif/in.gif"}},
        {FileFilter::Custom, {}, {}},             // an empty pattern lists nothing
        {FileFilter::Applications, {}, {"tool"}}, // executable regular files only
    };
    for (const auto& c : cases) {
        SearchRequest request = allFilesIn(tree.root());
        request.Pattern = FileFilter::fromChoice(c.choice, c.pattern);
        EXPECT_EQ(walkFor(request, {}).sortedBelow(tree.root()), c.expected)
            << c.choice << ' ' << c.pattern.toStdString();
    }
}

TEST(FolderWalker, InternetShortcutsMatchByAddress)
{
    const ByteTree tree;
    const struct {
        const char* name;
        QByteArray contents;          // null: a FIFO
        const char* url;              // null: not found
        const char* linkTo = nullptr; // a link to this instead
    } cases[] = {
        {"news.url", "[InternetShortcut]\nURL=http://kestrel/n\n", "http://kestrel/n"},
        {"hurl", "[InternetShortcut]\nURL=http://kestrel/h\n", "http://kestrel/h"}, // "*url"
        {"site.desktop", "[Desktop Entry]\nType=Link\nURL=http://kestrel/d\n", "http://kestrel/d"},
        {"kestrel.lnk", "binary", "n/a"},
        {"kestrel-app.desktop", "[Desktop Entry]\nType=Application\nExec=x\n", "n/a"},
        {"app.desktop", "[Desktop Entry]\nType=Application\nExec=kestrel\n", nullptr},
        {"unrelated.url", "[InternetShortcut]\nURL=https://other.example/\n", nullptr},
        {"kestrel-empty.url", "[InternetShortcut]\nIconIndex=0\n", ""}, // no address: ""
        {"kestrel-fifo.url", {}, ""}, // never opened: reading it would block the walk
        // Links to shortcuts are read through, as a program opening them would; a link to
        // anything else has no readable address.
        {"linked-news.url", {}, "http://kestrel/n", "news.url"},
        {"linked-site.desktop", {}, "http://kestrel/d", "site.desktop"},
        {"kestrel-dangling.url", {}, "", "/nonexistent/x.url"},
        {"kestrel-to-fifo.url", {}, "", "kestrel-fifo.url"},
        {"kestrel-to-self.url", {}, "", "kestrel-to-self.url"},
    };
    for (const auto& c : cases) {
        const QByteArray path = tree.path(c.name);
        if (c.linkTo)
            ASSERT_EQ(symlink(c.linkTo, path.constData()), 0) << c.name;
        else if (c.contents.isNull())
            ASSERT_EQ(mkfifo(path.constData(), 0644), 0) << c.name;
        else
            tree.file(c.name, c.contents);
    }
    const CollectingSink sink = walkFor(allFilesIn(tree.root()), u"KESTREL"_qs);
    for (const auto& c : cases) {
        const ResultRow* row = sink.row(tree.path(c.name));
        ASSERT_EQ(row != nullptr, c.url != nullptr) << c.name;
        if (row) {
            EXPECT_EQ(row->url, QString::fromUtf8(c.url)) << c.name;
        }
    }
}

TEST(FolderWalker, LinksAreListedAsThemselvesAndNeverFollowed)
{
    const ByteTree tree;
    tree.make({"loop/", "loop/inside-file"});
    ASSERT_EQ(symlink("..", tree.path("loop/up-link").constData()), 0);
    ASSERT_EQ(symlink("self-link", tree.path("self-link").constData()), 0);
    ASSERT_EQ(symlink("/nonexistent/target", tree.path("dangling-link").constData()), 0);
    const CollectingSink sink = walkFor(allFilesIn(tree.root()), u"-"_qs);
    EXPECT_EQ(sink.sortedBelow(tree.root()), (QList<QByteArray>{"dangling-link", "loop/inside-file",
                                                                "loop/up-link", "self-link"}));
    const ResultRow* link = sink.row(tree.path("loop/up-link"));
    EXPECT_FALSE(link->folder);
    EXPECT_EQ(link->size, 2); // the link's own size ("..")
}

TEST(FolderWalker, AFolderBoundOverAnotherOfTheSameFileSystemIsSearched)
{
    const ByteTree tree;
    tree.make({"elsewhere/", "elsewhere/x-bound", "inside/", "inside/mnt/", "inside/x-top"});
    if (::mount(tree.path("elsewhere").constData(), tree.path("inside/mnt").constData(), nullptr,
                MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "cannot bind-mount here: " << std::strerror(errno);
    const CollectingSink sink = walkFor(allFilesIn(tree.path("inside")), u"x-"_qs);
    ::umount2(tree.path("inside/mnt").constData(), MNT_DETACH);
    EXPECT_EQ(sink.sortedBelow(tree.path("inside/")), (QList<QByteArray>{"mnt/x-bound", "x-top"}));
}

TEST(FolderWalker, ATopFolderThatIsMissingOrAFileIsUnreadable)
{
    const ByteTree tree;
    tree.file("file");
    for (const char* top : {"missing", "file"})
        EXPECT_EQ(walkFor(allFilesIn(tree.path(top)), {}).outcome,
                  FolderWalker::Outcome::Unreadable);
}

TEST(FolderWalker, FoldersThatVanishMidWalkAreSkipped)
{
    const ByteTree tree;
    tree.make({"v1/", "v1/f", "v2/", "v2/f", "v3/", "v3/f", "trigger"});
    LiveQuery query;
    query.setSearchText(u"trigger"_qs);
    CollectingSink sink;
    sink.onFound = [&] { // the sibling folders go away before the walk gets to them
        for (const QByteArray name : {"v1", "v2", "v3"}) {
            unlink(tree.path(name + "/f").constData());
            rmdir(tree.path(name).constData());
        }
    };
    EXPECT_EQ(sink.walk(query, allFilesIn(tree.root())), FolderWalker::Outcome::Finished);
    EXPECT_EQ(sink.paths(), QList<QByteArray>{tree.path("trigger")});
    // Each is reported once, as find names a folder it cannot read.
    QList<std::pair<QByteArray, int>> expected;
    for (const QByteArray name : {"v1", "v2", "v3"})
        expected.append({tree.path(name + "/"), ENOENT});
    std::sort(sink.skipped.begin(), sink.skipped.end());
    EXPECT_EQ(sink.skipped, expected);
}

TEST(FolderWalker, AFolderSwappedWithALinkDuringWalksNeverLeadsOutside)
{
    // One thread swaps a folder and a link to a tree outside, as fast as it can, while
    // walks run; a walk may see either in either place, but never what lies behind the link.
    const ByteTree tree;
    const ByteTree outside;
    tree.make({"dir/", "dir/inside/", "dir/inside/file", "other"});
    outside.make({"secret/", "secret/secret-file"});
    ASSERT_EQ(symlink(outside.root().constData(), tree.path("link").constData()), 0);
    std::atomic<bool> done{false};
    std::atomic<int> swaps{0};
    std::thread swapper([&] {
        for (int i = 0; i < 2000000 && !done.load(); ++i) {
            if (renameat2(AT_FDCWD, tree.path("dir").constData(), AT_FDCWD,
                          tree.path("link").constData(), RENAME_EXCHANGE) == 0)
                ++swaps;
        }
    });
    LiveQuery query;
    query.setSearchText(QString());
    int escaped = 0;
    for (int run = 0; run < 1500; ++run) {
        CollectingSink sink;
        sink.walk(query, allFilesIn(tree.root()));
        for (const QByteArray& path : sink.paths())
            escaped += path.contains("secret") ? 1 : 0;
    }
    done = true;
    swapper.join();
    EXPECT_EQ(escaped, 0);
    EXPECT_GT(swaps.load(), 0);
}

TEST(FolderWalker, LiveTextChangesAndStopApplyFromTheNextEntry)
{
    const ByteTree tree;
    for (int i = 0; i < 20; ++i)
        tree.file("f" + QByteArray::number(i));
    LiveQuery query;
    query.setSearchText(u"nothing-matches"_qs);
    CollectingSink sink;
    sink.onAsk = [&] {
        if (sink.entriesAsked == 6)
            query.setSearchText(QString()); // from now on everything matches
    };
    sink.walk(query, allFilesIn(tree.root()));
    EXPECT_EQ(sink.rows.size(), 16u); // the walk asks once before its first entry
    sink.rows.clear();
    sink.entriesAsked = 0;
    sink.stopAfter = 10;
    EXPECT_EQ(sink.walk(query, allFilesIn(tree.root())), FolderWalker::Outcome::Stopped);
    EXPECT_EQ(sink.entriesAsked, 11);
    EXPECT_LE(sink.rows.size(), 10u);
}

TEST(FileFilter, PatternsFollowTheWildcardRules)
{
    const struct {
        const char* pattern;
        const char* name;
        bool accepted;
    } cases[] = {
        {"*.*", "readme", true}, // also names without a dot
        {"*.*", ".hidden", true},
        {"*.gif", "Photo.GIF", true},
        {"*.gif", "photo.gift", false},
        {"*.gif", "gif", false},
        {"*.txt;*.doc", "a.txt", false}, // one pattern, not a list
        {"*.txt;*.doc", "a.txt;b.doc", true},
        {"report?.txt", "report12.txt", false},
        {"report?.txt", "reporté.txt", true}, // '?' is one character, not a byte
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"abc.*", "abc", true}, // a trailing ".*" also fits a name without a dot
        {"abc.*", "abcd", false},
        {"ÄB*", "äbc.txt", true},
        {"i*", "\304\260stanbul", true}, // case as the search text's: the dotted I is an i
        {"*.url", "bad\xff.URL", true},
        {"b?d*", "b\377d", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileFilter::fromPattern(QString::fromUtf8(c.pattern)).accepts(c.name), c.accepted)
            << "pattern " << c.pattern << " name " << c.name;
    }
}

TEST(FolderOpen, BelowTheAnchorNoLinkIsFollowedAndNothingAboveIsReached)
{
    const ByteTree tree;
    tree.make({"a/", "a/b/", "a/b/c/", "file"});
    ASSERT_EQ(symlink("a", tree.path("link-a").constData()), 0);
    ASSERT_EQ(symlink("b", tree.path("a/link-b").constData()), 0);
    const int anchor = FolderOpen::named(tree.root().constData());
    ASSERT_GE(anchor, 0);
    const struct {
        const char* relative;
        bool opens;
    } cases[] = {
        {"a", true},         {"a/b/c", true},     {"link-a", false},
        {"link-a/b", false}, {"a/link-b", false}, {"a/link-b/c", false},
        {"file", false},     {"..", false},       {"missing", false},
    };
    using Open = int (*)(int, const char*);
    for (const Open open : {Open(FolderOpen::beneath), Open(FolderOpen::beneathByName)}) {
        for (const auto& c : cases) {
            const int fd = open(anchor, c.relative);
            EXPECT_EQ(fd >= 0, c.opens) << c.relative;
            if (fd >= 0)
                close(fd);
        }
    }
    // The listing's identity: the same folder passes, another one on the same device not.
    struct stat a, b;
    ASSERT_EQ(stat(tree.path("a").constData(), &a), 0);
    ASSERT_EQ(stat(tree.path("a/b").constData(), &b), 0);
    const int fd = FolderOpen::beneath(anchor, "a");
    quint64 dev = 0;
    EXPECT_TRUE(FolderOpen::isListed(fd, {quint64(a.st_ino), quint64(a.st_dev)}, dev));
    EXPECT_EQ(dev, quint64(a.st_dev));
    EXPECT_FALSE(FolderOpen::isListed(fd, {quint64(b.st_ino), quint64(a.st_dev)}, dev));
    close(fd);
    close(anchor);
}

TEST(Shortcut, IniValuesAndDesktopLinksGiveTheirAddress)
{
    const struct {
        QByteArray ini;
        QString expected;
    } cases[] = {
        {"[InternetShortcut]\nURL=http://a/\n", u"http://a/"_qs},
        {"[internetshortcut]\r\nurl = http://b/  \r\n", u"http://b/"_qs},
        {"  [ InternetShortcut ]\nUrl=\"http://c/\"\n", u"http://c/"_qs},
        {"[Other]\nURL=http://x/\n", u"dflt"_qs},
        {"[InternetShortcut]\nURL=\n", u""_qs},
        {"[InternetShortcut]\n;URL=commented\nURL=real\n", u"real"_qs},
        {"[InternetShortcut]\nURL=first\nURL=second\n", u"first"_qs},
        {"garbage\x01\xff\n=\n[", u"dflt"_qs},
        {"[InternetShortcut]\nURL=http://ü/\n", u"http://ü/"_qs},
        {"\xEF\xBB\xBF[InternetShortcut]\r\nURL=http://bom/\r\n", u"http://bom/"_qs},
        {"[InternetShortcut]\nURL=" + QByteArray(5000, 'u') + '\n', QString(2047, u'u')},
        // A value ends at a NUL, as the profile reader's does.
        {QByteArray("[InternetShortcut]\nURL=http://nul") + '\0' + "hidden/\n", u"http://nul"_qs},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Shortcut::iniValue(c.ini, u"InternetShortcut"_qs, u"URL"_qs, u"dflt"_qs),
                  c.expected)
            << c.ini.left(60).constData();
    }
    EXPECT_EQ(Shortcut::desktopLinkUrl("[Desktop Entry]\nType=Link\nURL=https://a.example/x\\sy\n"),
              u"https://a.example/x y"_qs);
    EXPECT_EQ(Shortcut::desktopLinkUrl("[Desktop Entry]\nType=Link\nName=No address\n"), QString());
    EXPECT_EQ(Shortcut::desktopLinkUrl("\xEF\xBB\xBF[Desktop Entry]\nType=Link\nURL=bom\n"),
              u"bom"_qs);
    EXPECT_FALSE(Shortcut::desktopLinkUrl("[Desktop Entry]\nType=Application\nURL=x\n"));
    EXPECT_FALSE(Shortcut::desktopLinkUrl("[Other]\nType=Link\nURL=x\n"));
    EXPECT_EQ(Shortcut::desktopLinkUrl(
                  "# c\n[Desktop Entry]\nURL=first\nType=Link\n[Desktop Action x]\nURL=no\n"),
              u"first"_qs);
}

TEST(Shortcut, ReadsOnlyTheFirst64KiBOfRegularFiles)
{
    const ByteTree tree;
    tree.file("big.url", "[InternetShortcut]\nURL=near\n" + QByteArray(4 << 20, 'x'));
    const auto data =
        readSmallFile(AT_FDCWD, tree.path("big.url").constData(), Shortcut::MaxShortcutBytes);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->size(), Shortcut::MaxShortcutBytes);
    // A folder and a device (endless) are never read; a FIFO is the walker's test.
    tree.dir("folder.url");
    for (const QByteArray& path : {tree.path("folder.url"), QByteArray("/dev/zero")})
        EXPECT_FALSE(readSmallFile(AT_FDCWD, path.constData(), Shortcut::MaxShortcutBytes))
            << path.constData();
}

} // namespace
