#include "app/FrmAbt.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

TEST(FrmAbt, ShowsTheVersionAndLaunchesBothAddresses)
{
    QWidget owner;
    QList<QPair<QWidget*, QString>> launched;
    FrmAbt box([&](QWidget* w, const QString& a) { launched.append({w, a}); }, &owner);
    const auto label = [&box](const char* name) {
        return box.findChild<QLabel*>(QLatin1String(name));
    };
    ASSERT_TRUE(label("Label7") && label("Label5") && label("Label6"));
    EXPECT_EQ(label("Label7")->text(), QStringLiteral("Kestrelfind version " KF_VERSION));
    EXPECT_TRUE(label("Label5")->text().contains(FrmAbt::supportAddress().mid(7)));
    EXPECT_TRUE(label("Label6")->text().contains(FrmAbt::webAddress()));

    Q_EMIT label("Label5")->linkActivated(QStringLiteral("#"));
    Q_EMIT label("Label6")->linkActivated(QStringLiteral("#"));
    ASSERT_EQ(launched.size(), 2);
    EXPECT_EQ(launched.at(0).first, &box);
    EXPECT_EQ(launched.at(0).second, FrmAbt::supportAddress());
    EXPECT_EQ(launched.at(1).second, FrmAbt::webAddress());
}

} // namespace
