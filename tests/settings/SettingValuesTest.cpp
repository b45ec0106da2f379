#include "settings/SettingValues.h"

#include <gtest/gtest.h>

#include <optional>

using namespace SettingValues;

namespace {

struct NumberCase {
    const char* text;
    double expected;
};

class ReadNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ReadNumberTest, TakesTheLongestLeadingNumber)
{
    const NumberCase& c = GetParam();
    EXPECT_DOUBLE_EQ(readNumber(QString::fromUtf8(c.text)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadNumberTest,
    ::testing::Values(NumberCase{"", 0}, NumberCase{"abc", 0}, NumberCase{"12abc", 12},
                      NumberCase{"  7", 7}, NumberCase{"\t-3.5x", -3.5}, NumberCase{"+4", 4},
                      NumberCase{"1e3", 1000}, NumberCase{"1E+2", 100}, NumberCase{"2e", 2},
                      NumberCase{"2e-", 2}, NumberCase{"1.5e-1", 0.15}, NumberCase{".5", 0.5},
                      NumberCase{"5.", 5}, NumberCase{"-", 0}, NumberCase{".", 0},
                      NumberCase{"1,5", 1}, NumberCase{"0x10", 0}, NumberCase{"1e400", 0},
                      NumberCase{"\xef\xbc\x91\xef\xbc\x92", 0}, // full-width digits
                      NumberCase{"9 items", 9}, NumberCase{"-0", 0}));

struct IntegerCase {
    const char* text;
    std::optional<int> expected;
};

class ReadIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ReadIntegerTest, ConvertsTheWholeTextOrNothing)
{
    const IntegerCase& c = GetParam();
    EXPECT_EQ(readInteger(QString::fromUtf8(c.text)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadIntegerTest,
    ::testing::Values(IntegerCase{"12", 12}, IntegerCase{" 12 ", 12},
                      IntegerCase{"12abc", std::nullopt}, IntegerCase{"", std::nullopt},
                      IntegerCase{"abc", std::nullopt}, IntegerCase{"32767", 32767},
                      IntegerCase{"32768", std::nullopt}, IntegerCase{"-32768", -32768},
                      IntegerCase{"-32769", std::nullopt}, IntegerCase{"1.5", 2},
                      IntegerCase{"2.5", 2}, IntegerCase{"-2.5", -2}, IntegerCase{"1e2", 100},
                      IntegerCase{"1e9", std::nullopt}, IntegerCase{"1 2", std::nullopt},
                      IntegerCase{"True", std::nullopt}));

struct TruthCase {
    const char* text;
    std::optional<bool> expected;
};

class ReadTruthTest : public ::testing::TestWithParam<TruthCase> {};

TEST_P(ReadTruthTest, AcceptsTrueFalseAndNumbers)
{
    const TruthCase& c = GetParam();
    EXPECT_EQ(readTruth(QString::fromUtf8(c.text)), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadTruthTest,
    ::testing::Values(TruthCase{"True", true}, TruthCase{"FALSE", false}, TruthCase{"tRuE", true},
                      TruthCase{" false ", false}, TruthCase{"0", false}, TruthCase{"0.0", false},
                      TruthCase{"-1", true}, TruthCase{"2", true}, TruthCase{"yes", std::nullopt},
                      TruthCase{"", std::nullopt}, TruthCase{"1x", std::nullopt},
                      TruthCase{"Truely", std::nullopt}));

TEST(SettingValues, CountRoundsHalvesToEvenAndClamps)
{
    EXPECT_EQ(readCount(QStringLiteral("2.5"), 0, 9), 2);
    EXPECT_EQ(readCount(QStringLiteral("3.5"), 0, 9), 4);
    EXPECT_EQ(readCount(QStringLiteral("2.6"), 0, 9), 3);
    EXPECT_EQ(readCount(QStringLiteral("100000"), 0, 9), 9);
    EXPECT_EQ(readCount(QStringLiteral("-4"), 0, 9), 0);
    EXPECT_EQ(readCount(QStringLiteral("1e300"), 0, 1000), 1000);
    EXPECT_EQ(readCount(QStringLiteral("abc"), 0, 9), 0);
}

} // namespace
