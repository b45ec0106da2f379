#include "settings/SettingValues.h"

#include <gtest/gtest.h>

#include <optional>

using namespace SettingValues;

namespace {

// Hand-edited or damaged values, one table per way of reading them.
struct ValueCase {
    const char* text;
    double number;              ///< readNumber
    std::optional<int> integer; ///< readInteger
    std::optional<bool> truth;  ///< readTruth
};

class ReadValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ReadValueTest, ReadsAsNumberIntegerAndTruth)
{
    const ValueCase& c = GetParam();
    const QString text = QString::fromUtf8(c.text);
    EXPECT_DOUBLE_EQ(readNumber(text), c.number) << c.text;
    EXPECT_EQ(readInteger(text), c.integer) << c.text;
    EXPECT_EQ(readTruth(text), c.truth) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadValueTest,
    ::testing::Values(
        ValueCase{"", 0, std::nullopt, std::nullopt},
        ValueCase{"12abc", 12, std::nullopt, std::nullopt}, ValueCase{" 12 ", 12, 12, true},
        ValueCase{"\t-3.5x", -3.5, std::nullopt, std::nullopt}, ValueCase{"1e3", 1000, 1000, true},
        ValueCase{"2.5", 2.5, 2, true}, ValueCase{"-2.5", -2.5, -2, true},
        ValueCase{"32768", 32768, std::nullopt, true}, ValueCase{"-32768", -32768, -32768, true},
        ValueCase{"0", 0, 0, false}, ValueCase{"1e400", 0, std::nullopt, std::nullopt},
        ValueCase{"0x10", 0, std::nullopt, std::nullopt},
        ValueCase{"\xef\xbc\x91", 0, std::nullopt, std::nullopt}, // full-width 1
        ValueCase{" false ", 0, std::nullopt, false}, ValueCase{"tRuE", 0, std::nullopt, true}));

TEST(SettingValues, CountRoundsHalvesToEvenAndClamps)
{
    EXPECT_EQ(readCount(QStringLiteral("2.5"), 0, 9), 2);
    EXPECT_EQ(readCount(QStringLiteral("3.5"), 0, 9), 4);
    EXPECT_EQ(readCount(QStringLiteral("-4"), 0, 9), 0);
    EXPECT_EQ(readCount(QStringLiteral("1e300"), 0, 1000), 1000);
}

} // namespace
