#include "results/LargeIconView.h"

#include <QApplication>
#include <QFontMetrics>

#include <gtest/gtest.h>

namespace {

TEST(LargeIconNames, WrapOntoTwoLinesAndAreCutOnlyBeyond)
{
    const QFontMetrics metrics(QApplication::font());
    const int width = metrics.horizontalAdvance(QStringLiteral("report-")) + 2;
    const auto lines = [&](const QString& name, int most) {
        return LargeIconDelegate::nameLines(name, metrics, width, most);
    };
    // Two lines rather than "rep…"; words go whole onto the next line.
    EXPECT_EQ(lines(QStringLiteral("report-2024"), 2), (QStringList{"report-", "2024"}));
    EXPECT_EQ(lines(QStringLiteral("a b"), 2), QStringList{"a b"});
    EXPECT_EQ(lines(QStringLiteral("annual report"), 2), (QStringList{"annual", "report"}));
    // A word longer than the cell breaks anywhere; past two lines the rest is cut short.
    const QString longName = QStringLiteral("quarterly_summary_of_everything_2024.pdf");
    const QStringList two = lines(longName, 2);
    ASSERT_EQ(two.size(), 2);
    EXPECT_TRUE(longName.startsWith(two[0]));
    EXPECT_TRUE(two[1].endsWith(QChar(0x2026))) << two[1].toStdString();
    for (const QString& line : two)
        EXPECT_LE(metrics.horizontalAdvance(line), width) << line.toStdString();
    // The whole name: every line, nothing cut.
    EXPECT_EQ(lines(longName, 8).join(QString()), longName);
}

} // namespace
