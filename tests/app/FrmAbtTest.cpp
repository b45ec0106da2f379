#include "app/FrmAbt.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(FrmAbt, ShowsThePictureVersionCopyrightAndBothAddresses)
{
    QWidget owner;
    QList<QPair<QWidget*, QString>> launched;
    FrmAbt box([&](QWidget* w, const QString& a) { launched.append({w, a}); }, &owner);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About..."));
    EXPECT_EQ(box.parentWidget(), &owner);
    const auto label = [&box](const char* name) {
        return box.findChild<QLabel*>(QLatin1String(name));
    };
    ASSERT_TRUE(label("Picture1") && label("Label7") && label("Label2") && label("Label5") &&
                label("Label6"));
    EXPECT_FALSE(label("Picture1")->pixmap().isNull());
    EXPECT_EQ(label("Label7")->text(), QStringLiteral("Kestrelfind version " KF_VERSION));
    EXPECT_TRUE(label("Label2")->text().startsWith(QChar(169)));
    EXPECT_TRUE(FrmAbt::supportAddress().startsWith(QStringLiteral("mailto:")));
    EXPECT_TRUE(label("Label5")->text().contains(FrmAbt::supportAddress().mid(7)));
    EXPECT_TRUE(label("Label6")->text().contains(FrmAbt::webAddress()));

    Q_EMIT label("Label5")->linkActivated(QStringLiteral("#"));
    Q_EMIT label("Label6")->linkActivated(QStringLiteral("#"));
    ASSERT_EQ(launched.size(), 2);
    EXPECT_EQ(launched.at(0).first, &box);
    EXPECT_EQ(launched.at(0).second, FrmAbt::supportAddress());
    EXPECT_EQ(launched.at(1).second, FrmAbt::webAddress());
}

TEST(FrmAbt, OkAndTheKeyboardCloseIt)
{
    FrmAbt box({});
    box.show();
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("Command3"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);

    box.show();
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
}

} // namespace
