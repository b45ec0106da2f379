#include "results/PopupMenuRule.h"

#include <QMenu>

#include <gtest/gtest.h>

namespace {

TEST(PopupMenuRule, SingleRowItemsFollowTheSelectionAndLaunchIsTheDefault)
{
    // The popup as the window builds it; Copy to keeps whatever state it has.
    QMenu menu;
    QAction* launch = menu.addAction(QStringLiteral("&Launch"));
    launch->setObjectName(QStringLiteral("mnuPopLaunch"));
    QAction* copy = menu.addAction(QStringLiteral("&Copy to..."));
    copy->setObjectName(QStringLiteral("mnuPopCopyTo"));
    copy->setEnabled(false);
    std::vector<QAction*> single;
    const char* const captions[] = {"&Rename...", "&Open with...", "&Properties...",
                                    "&Explore location..."};
    for (size_t i = 0; i < PopupMenuRule::SingleRowItems.size(); ++i) {
        single.push_back(menu.addAction(QString::fromLatin1(captions[i])));
        single.back()->setObjectName(QLatin1String(PopupMenuRule::SingleRowItems[i]));
    }
    for (const int selected : {3, 1, 2, 0}) {
        PopupMenuRule::apply(&menu, selected);
        for (QAction* action : single)
            EXPECT_EQ(action->isEnabled(), selected <= 1)
                << selected << " " << action->text().toStdString();
        EXPECT_EQ(menu.defaultAction(), launch);
        EXPECT_FALSE(copy->isEnabled());
    }
    PopupMenuRule::apply(nullptr, 1); // no menu yet: nothing happens
}

} // namespace
