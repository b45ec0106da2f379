#include "results/ResultList.h"
#include "RowFactory.h"
#include "results/SortArrowHeader.h"
#include "results/SortState.h"

#include <QItemSelectionModel>
#include <QListView>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

enum class Arrow { None, Up, Down, Unclear };

// What the header draws for `section`: the pixels that differ from the same section drawn
// without an arrow, read as a triangle pointing up (rows widen downwards) or down.
Arrow drawnArrow(SortArrowHeader* header, int section)
{
    const int shownSection = header->arrowSection();
    const bool up = header->arrowUp();
    const QRect rect(header->sectionViewportPosition(section), 0, header->sectionSize(section),
                     header->height());
    const QImage with = header->viewport()->grab(rect).toImage();
    header->setArrow(-1, up);
    const QImage without = header->viewport()->grab(rect).toImage();
    header->setArrow(shownSection, up);
    std::vector<int> widths; // changed pixels per image row, from the top
    for (int y = 0; y < with.height(); ++y) {
        int count = 0;
        for (int x = 0; x < with.width(); ++x)
            count += with.pixel(x, y) != without.pixel(x, y) ? 1 : 0;
        if (count > 0)
            widths.push_back(count);
    }
    if (widths.empty())
        return Arrow::None;
    if (widths.size() < 2 || widths.front() == widths.back())
        return Arrow::Unclear;
    if (std::is_sorted(widths.begin(), widths.end()))
        return Arrow::Up;
    if (std::is_sorted(widths.rbegin(), widths.rend()))
        return Arrow::Down;
    return Arrow::Unclear;
}

class ResultListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.resize(800, 400);
        list.show();
        list.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    }

    void fill()
    {
        const QString shortcut = QStringLiteral("Internet Shortcut");
        list.model()->addRows({makeRow("/h/b.txt", 10, utcMs(2004, 12, 1)),
                               makeRow("/h/a.url", 20, utcMs(2005, 3, 4), shortcut,
                                       QStringLiteral("http://a.example/")),
                               makeRow("/h/c.url", 30, utcMs(2006, 1, 1), shortcut, QString())});
    }

    QPoint rowCenter(int row) const
    {
        return list.currentView()->visualRect(list.model()->index(row, 0)).center();
    }

    QWidget* viewport() const { return list.currentView()->viewport(); }
    QPoint blank() const { return {viewport()->width() - 3, viewport()->height() - 3}; }

    ResultList list;
};

TEST_F(ResultListTest, HeaderClickSortsAndShowsTheArrowOnlyThere)
{
    SortState sort; // the window's side of a header click: the rules, then the list
    QObject::connect(&list, &ResultList::columnClicked, &list, [&](int column) {
        sort.ListView1_ColumnClick(column);
        list.applySort(sort);
    });
    SortArrowHeader* h = list.header();
    auto click = [&](int column) {
        const int x = h->sectionViewportPosition(column - 1) + 5;
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
    };
    // What is drawn on each header, left to right.
    auto arrows = [&] {
        std::vector<Arrow> drawn;
        for (int c = 0; c < ResultModel::ColumnCount; ++c)
            drawn.push_back(drawnArrow(h, c));
        return drawn;
    };
    auto only = [](int c, Arrow arrow) {
        std::vector<Arrow> drawn(ResultModel::ColumnCount, Arrow::None);
        drawn[size_t(c - 1)] = arrow;
        return drawn;
    };
    EXPECT_EQ(arrows(), only(1, Arrow::None));
    click(3); // an empty list: only the state and the arrow change
    EXPECT_EQ(sort.SortColumn, 3);
    EXPECT_EQ(arrows(), only(3, Arrow::Up));
    fill();
    click(1);
    EXPECT_EQ(list.model()->path(0), "/h/a.url");
    EXPECT_EQ(arrows(), only(1, Arrow::Up));
    click(1);
    EXPECT_EQ(list.model()->path(0), "/h/c.url");
    EXPECT_EQ(arrows(), only(1, Arrow::Down));
    click(1);
    click(4); // Date after ascending Name: newest first, arrow down on Date
    EXPECT_EQ(column(*list.model(), ResultModel::Name), (QStringList{"c", "a", "b"}));
    EXPECT_EQ(arrows(), only(4, Arrow::Down));
    click(6);
    EXPECT_EQ(arrows(), only(6, Arrow::Down));
    // A replay (the end of a search) sorts but leaves the arrow where it is.
    sort.ApplyingStoredSort = true;
    sort.ListView1_ColumnClick(4);
    list.applySort(sort);
    EXPECT_EQ(arrows(), only(6, Arrow::Down));
    EXPECT_EQ(list.model()->sortColumn(), ResultModel::Date);
}

TEST_F(ResultListTest, SelectedFilesInListOrderAndSelectAll)
{
    list.selectAll(); // empty list: nothing, and still one empty path
    EXPECT_EQ(list.GetSelectedFiles(), QList<QByteArray>{QByteArray()});
    fill();
    list.model()->sortBy(ResultModel::Name, Qt::AscendingOrder);
    EXPECT_EQ(list.GetSelectedFiles(), QList<QByteArray>{QByteArray()});
    for (const int row : {2, 0})
        list.selectionModel()->select(list.model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(list.GetSelectedFiles(), (QList<QByteArray>{"/h/a.url", "/h/c.url"}));
    list.model()->sortBy(ResultModel::Name, Qt::DescendingOrder);
    EXPECT_EQ(list.GetSelectedFiles(), (QList<QByteArray>{"/h/c.url", "/h/a.url"}));

    list.selectAll();
    EXPECT_EQ(list.selectionModel()->selection().size(), 1);
}

TEST_F(ResultListTest, RowsArrivingAfterSelectAllAreNotSelected)
{
    // Enough rows that the selection model treats a Select All as "the whole table".
    ResultModel* model = list.model();
    model->sortBy(ResultModel::Name, Qt::AscendingOrder);
    ResultRows rows;
    for (int i = 0; i < 400; ++i)
        rows.push_back(makeRow("/s/b" + QByteArray::number(1000 + 2 * i)));
    model->addRows(std::move(rows));
    list.selectAll();
    // Few places (announced as inserts), then many (one layout change), then a removal.
    const QList<QList<QByteArray>> batches = {
        {"/s/b1001", "/s/b1003"},
        {"/s/a", "/s/b1005", "/s/b1101", "/s/b1301", "/s/b1501", "/s/b1701", "/s/z"}};
    QSet<QByteArray> added;
    const auto notAdded = [&] { // the rows there before, in list order
        QList<QByteArray> paths;
        for (int r = 0; r < model->rowCount(); ++r) {
            if (!added.contains(model->path(r)))
                paths.append(model->path(r));
        }
        return paths;
    };
    for (const QList<QByteArray>& batch : batches) {
        ResultRows late;
        for (const QByteArray& path : batch) {
            late.push_back(makeRow(path));
            added.insert(path);
        }
        model->addRows(std::move(late));
        EXPECT_EQ(list.GetSelectedFiles(), notAdded());
    }
    std::vector<int> gone;
    for (int r = 0; r < model->rowCount(); r += 7)
        gone.push_back(r);
    model->removeListRows(gone);
    EXPECT_EQ(list.GetSelectedFiles(), notAdded());
}

TEST_F(ResultListTest, HoverTextRules)
{
    QSignalSpy hover(&list, &ResultList::hoverTextChanged);
    QTest::mouseMove(viewport(), QPoint(50, 50));
    EXPECT_EQ(hover.count(), 0) << "an empty list says nothing";
    fill();
    list.model()->sortBy(ResultModel::Name, Qt::AscendingOrder); // a.url, b.txt, c.url
    for (const int view : {ResultList::Details, ResultList::List}) {
        list.setViewMode(view);
        QTest::qWait(0);
        hover.clear();
        for (int row = 0; row < 3; ++row)
            QTest::mouseMove(viewport(), rowCenter(row));
        QTest::mouseMove(viewport(), blank());
        ASSERT_EQ(hover.count(), 4);
        EXPECT_EQ(hover.at(0).first().toString(), u"http://a.example/");
        EXPECT_EQ(hover.at(1).first().toString(), u"/h/b.txt");
        // An empty address is shown as it is (empty), not as the path or the copyright line.
        EXPECT_EQ(hover.at(2).first().toString(), u"");
        EXPECT_FALSE(hover.at(2).first().toString().isNull());
        EXPECT_TRUE(hover.at(3).first().toString().isNull());
    }
}

TEST_F(ResultListTest, PopupLaunchAndLastListButton)
{
    QSignalSpy popup(&list, &ResultList::popupRequested);
    QSignalSpy launch(&list, &ResultList::launchRequested);
    QSignalSpy mouseLaunch(&list, &ResultList::mouseLaunchRequested);
    fill();
    QTest::mouseClick(viewport(), Qt::RightButton, {}, rowCenter(1));
    EXPECT_EQ(popup.count(), 1);
    EXPECT_EQ(list.LastListButton(), 0);
    // A press on the blank part is not a row click: the button stays recorded.
    QTest::mouseClick(viewport(), Qt::RightButton, {}, blank());
    EXPECT_EQ(popup.count(), 1);
    EXPECT_EQ(list.LastListButton(), 2);
    QTest::mousePress(viewport(), Qt::LeftButton, {}, blank());
    EXPECT_EQ(list.LastListButton(), 1);
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, blank());
    EXPECT_EQ(launch.count(), 0);

    // Enter launching a row is the window's test; the double-click is the mouse's launch.
    QTest::mouseClick(viewport(), Qt::LeftButton, {}, rowCenter(0));
    QTest::mouseDClick(viewport(), Qt::LeftButton, {}, rowCenter(0));
    EXPECT_EQ(launch.count(), 0);
    QTest::mouseDClick(viewport(), Qt::RightButton, {}, rowCenter(0));
    EXPECT_EQ(mouseLaunch.count(), 1) << "the right button does not launch";
}

TEST_F(ResultListTest, FocusAndTheMenuKeyFollowTheShownView)
{
    fill();
    list.clearFocus();
    QSignalSpy focus(&list, &ResultList::listHasFocusChanged);
    QSignalSpy popup(&list, &ResultList::popupRequested);
    list.setFocus();
    ASSERT_EQ(focus.count(), 1);
    EXPECT_TRUE(focus.first().first().toBool());
    list.setViewMode(ResultList::List);
    EXPECT_TRUE(list.iconView()->hasFocus());
    EXPECT_TRUE(list.ListHasFocus());
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(1, 1), QPoint(1, 1));
    QCoreApplication::sendEvent(list.currentView(), &menu);
    EXPECT_EQ(popup.count(), 1);
    list.clearFocus();
    EXPECT_FALSE(list.ListHasFocus());
}

} // namespace
