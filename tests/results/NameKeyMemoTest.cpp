// The memo of Name sort keys: what it gives back must be exactly the key the name would get
// made afresh, whatever it has had to forget and however many threads use it.

#include "results/NameKeyMemo.h"
#include "results/CollationKeys.h"
#include "results/NameKeyPreparation.h"
#include "search/ResultRow.h"

#include <QList>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// A stand-in key that differs for every name and is longer than it, as real keys are.
std::string keyOf(const QByteArray& name)
{
    std::string key(name.rbegin(), name.rend());
    key += '|';
    key += std::to_string(name.size());
    return key;
}

QByteArray nameOf(int i)
{
    return "IMG_" + QByteArray::number(i) + ".JPG";
}

std::string found(const NameKeyMemo& memo, const QByteArray& name)
{
    std::vector<char> out{'x'}; // found keys are appended, not written over
    if (!memo.find(name, out))
        return "(none)";
    return std::string(out.begin() + 1, out.end());
}

} // namespace

TEST(NameKeyMemoTest, GivesBackEachNamesOwnKeyAcrossGrowth)
{
    NameKeyMemo memo;
    EXPECT_EQ(found(memo, "IMG_1.JPG"), "(none)");
    for (int i = 0; i < 20000; ++i) // the slots are doubled several times on the way
        memo.store(nameOf(i), keyOf(nameOf(i)));
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(found(memo, nameOf(i)), keyOf(nameOf(i))) << i;
    // Never stored, a prefix of a kept name, a name a kept one is the prefix of, and none.
    for (const QByteArray name : {"IMG_20000.JPG", "IMG_1.JP", "IMG_1.JPGX", ""})
        EXPECT_EQ(found(memo, name), "(none)") << name.constData();

    memo.store("IMG_1.JPG", "another key"); // the first key stays: equal names, equal keys
    EXPECT_EQ(found(memo, "IMG_1.JPG"), keyOf("IMG_1.JPG"));
}

TEST(NameKeyMemoTest, StaysWithinItsBoundAndForgetsRatherThanErr)
{
    constexpr size_t bound = 256 << 10;
    NameKeyMemo memo(bound);
    for (int i = 0; i < 200000; ++i) {
        memo.store(nameOf(i), keyOf(nameOf(i)));
        if (i % 1000 == 0) {
            ASSERT_LE(memo.bytes(), bound) << i;
        }
    }
    EXPECT_LE(memo.bytes(), bound);
    int kept = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string key = found(memo, nameOf(i));
        if (key != "(none)") {
            ASSERT_EQ(key, keyOf(nameOf(i))) << i;
            ++kept;
        }
    }
    EXPECT_GT(kept, 1000);                                         // what fits is kept
    EXPECT_LT(kept, 200000);                                       // and the rest forgotten
    EXPECT_EQ(found(memo, nameOf(199999)), keyOf(nameOf(199999))); // the last one stored
    // A name or key too long for any record is not kept, and breaks nothing.
    memo.store(QByteArray(70000, 'a'), "k");
    memo.store("a", std::string(70000, 'k'));
    EXPECT_EQ(found(memo, QByteArray(70000, 'a')), "(none)");
    EXPECT_EQ(found(memo, "a"), "(none)");
    // A bound too small for any slot keeps nothing.
    NameKeyMemo none(8);
    none.store("a", "k");
    EXPECT_EQ(found(none, "a"), "(none)");
}

TEST(NameKeyMemoTest, ThreadsSharingItOnlyEverSeeTheRightKey)
{
    // Small, so that parts are emptied again and again while other threads look them up.
    NameKeyMemo memo(64 << 10);
    std::atomic<int> wrong{0};
    std::atomic<int> hits{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::vector<char> out;
            for (int round = 0; round < 3; ++round) {
                for (int i = t * 1000; i < t * 1000 + 20000; ++i) {
                    const QByteArray name = nameOf(i);
                    // Twice: the second look finds the key unless another thread emptied
                    // its part meanwhile, so there are hits even when the threads happen
                    // not to overlap (a loaded machine may run them one after another).
                    for (int look = 0; look < 2; ++look) {
                        out.clear();
                        if (memo.find(name, out)) {
                            ++hits;
                            if (std::string(out.begin(), out.end()) != keyOf(name))
                                ++wrong;
                        } else {
                            memo.store(name, keyOf(name));
                        }
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(hits, 0);
}

TEST(NameKeyMemoTest, RowsGetTheKeyTheyWouldGetAfresh)
{
    // Names that show alike but differ in their bytes: case, invalid UTF-8 shown as the same
    // replacement mark, composed and decomposed accents, a line break.
    const QList<QByteArray> names = {
        "report.txt",   "Report.txt", "REPORT.TXT", "a\xff.txt", "a\xfe.txt", "caf\xc3\xa9",
        "cafe\xcc\x81", "two\nlines", "file10",     "file9",     ""};
    const NameKeyPreparation preparation("en_US");
    const CollationKeys keys("en_US");
    for (int pass = 0; pass < 2; ++pass) { // the first pass makes the keys, the second finds them
        std::vector<std::string> seen;
        for (const QByteArray& name : names) {
            SCOPED_TRACE(testing::Message() << "pass " << pass << " name " << name.toStdString());
            ResultRow row;
            row.setPath("/f/" + name);
            std::u16string text;
            nameSortText(row, text);
            std::vector<char> fresh;
            keys.write(text, fresh, {name.data(), size_t(name.size())});
            preparation.step()->prepare(row); // as a walking thread does
            ASSERT_NE(row.nameKey.bytes(), nullptr);
            EXPECT_EQ(std::string(row.nameKey.bytes()), std::string(fresh.data()));
            seen.emplace_back(row.nameKey.bytes());
        }
        // Different bytes, different keys: the memo never hands one name's key to another.
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    }
}
