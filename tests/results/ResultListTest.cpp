#include "results/ResultList.h"
#include "RowFactory.h"
#include "results/LargeIconView.h"
#include "results/SortArrowHeader.h"
#include "results/SortState.h"
#include "results/sbStatusBar.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTextDocument>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

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

/// Rows named `prefix` and 1000, 1001, … (every `step`th number), then `suffix`.
ResultRows numbered(const QByteArray& prefix, int count, const QByteArray& suffix = ".txt",
                    int step = 1)
{
    ResultRows rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(makeRow(prefix + QByteArray::number(1000 + step * i) + suffix));
    return rows;
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
    // What a screen reader hears of the hand-drawn arrow, from the list and the header.
    const auto said = [&] {
        EXPECT_EQ(h->accessibleDescription(), list.currentView()->accessibleDescription());
        return list.currentView()->accessibleDescription();
    };
    EXPECT_EQ(arrows(), only(1, Arrow::None));
    EXPECT_EQ(said(), u"");
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
    EXPECT_EQ(said(), u"Sorted by Name, descending");
    // Each column header's own description, as a reader gets it on the header cells.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list.detailsView());
    QStringList headers;
    for (int i = 0; i < table->childCount(); ++i) {
        QAccessibleInterface* cell = table->child(i);
        if (cell && cell->role() == QAccessible::ColumnHeader)
            headers.append(cell->text(QAccessible::Name) + u": " +
                           cell->text(QAccessible::Description));
    }
    EXPECT_EQ(headers.join(u" | ").toStdString(),
              "Name: Sorted descending | Size:  | File Type:  | Date:  | Location:  | URL: ");
    click(1);
    click(4); // Date after ascending Name: newest first, arrow down on Date
    EXPECT_EQ(column(*list.model(), ResultModel::Name), (QStringList{"c", "a", "b"}));
    EXPECT_EQ(arrows(), only(4, Arrow::Down));
    EXPECT_EQ(said(), u"Sorted by Date, descending");
    click(6);
    EXPECT_EQ(arrows(), only(6, Arrow::Down));
    // A replay (the end of a search) sorts but leaves the arrow where it is.
    sort.ApplyingStoredSort = true;
    sort.ListView1_ColumnClick(4);
    list.applySort(sort);
    EXPECT_EQ(arrows(), only(6, Arrow::Down));
    EXPECT_EQ(list.model()->sortColumn(), ResultModel::Date);

    // The keyboard: Tab from the rows reaches the header on the sorted column; the arrows
    // pick a column in the order shown (moved and hidden ones too) and Space sorts by it.
    h->moveSection(h->visualIndex(4), 0); // Location shown first
    h->hideSection(1);                    // Size hidden
    list.currentView()->setFocus();
    QTest::keyClick(list.currentView(), Qt::Key_Tab);
    ASSERT_TRUE(h->hasFocus());
    EXPECT_EQ(h->keySection(), 5);
    QTest::keyClick(h, Qt::Key_Home);
    EXPECT_EQ(h->keySection(), 4);
    QTest::keyClick(h, Qt::Key_Right);
    QTest::keyClick(h, Qt::Key_Right); // past Name, over the hidden Size
    EXPECT_EQ(h->keySection(), 2);
    QTest::keyClick(h, Qt::Key_Space);
    EXPECT_EQ(sort.SortColumn, 3);
    EXPECT_EQ(h->arrowSection(), 2);
    QTest::keyClick(h, Qt::Key_End);
    QTest::keyClick(h, Qt::Key_Right); // nothing further
    EXPECT_EQ(h->keySection(), 5);
    QTest::keyClick(h, Qt::Key_Return);
    EXPECT_EQ(sort.SortColumn, 6);
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
    model->addRows(numbered("/s/b", 400, {}, 2));
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

TEST_F(ResultListTest, HoverTextRulesAndTheHintFollowsRemovalsAndScrolling)
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

    // Rows removed under a resting pointer: the hint names what is there now, and once the
    // list is empty, nothing (the window's copyright line), never the removed row.
    list.setViewMode(ResultList::Details);
    QTest::qWait(0);
    QTest::mouseMove(viewport(), rowCenter(0));
    hover.clear();
    list.model()->removeListRows({0});
    ASSERT_TRUE(QTest::qWaitFor([&] { return hover.count() == 1; }, 1000));
    EXPECT_EQ(hover.at(0).first().toString(), u"/h/b.txt");
    list.model()->sortBy(ResultModel::Name, Qt::DescendingOrder); // c.url (no address), b.txt
    ASSERT_TRUE(QTest::qWaitFor([&] { return hover.count() == 2; }, 1000));
    EXPECT_EQ(hover.at(1).first().toString(), u"");
    list.model()->removeListRows({0, 1});
    ASSERT_TRUE(QTest::qWaitFor([&] { return hover.count() == 3; }, 1000));
    EXPECT_TRUE(hover.at(2).first().toString().isNull());

    // Scrolling under a resting pointer moves other rows under it: the hint names them.
    list.model()->addRows(numbered("/h/r", 200));
    QTest::qWait(20);
    const QPoint pointer = rowCenter(5);
    QTest::mouseMove(viewport(), pointer);
    const QString pointed = QString::fromUtf8(list.model()->path(5));
    hover.clear();
    list.currentView()->verticalScrollBar()->setValue(40);
    ASSERT_TRUE(QTest::qWaitFor([&] { return hover.count() > 0; }, 1000));
    const QString now =
        QString::fromUtf8(list.model()->path(list.currentView()->indexAt(pointer).row()));
    EXPECT_EQ(hover.last().first().toString(), now);
    EXPECT_NE(now, pointed);
}

// Rows sorted in above the shown ones must not push them down while the user reads or points
// at the list: a click meant for one row would land on another.
TEST_F(ResultListTest, RowsSortedInAboveLeaveTheShownRowsInPlace)
{
    const auto add = [&](ResultRows made) {
        RowBatches batches;
        batches.push_back(std::move(made));
        list.addBatches(std::move(batches));
        QTest::qWait(20); // the views' delayed layout
    };
    const auto firstShown = [&] {
        QAbstractItemView* view = list.currentView();
        for (int at = 0; at <= 32; at += 4) {
            if (const QModelIndex index = view->indexAt(QPoint(at, at)); index.isValid())
                return list.model()->path(index.row());
        }
        return QByteArray("(none)");
    };
    // The pointer elsewhere (an earlier test's may rest where this window shows).
    for (QWidget* viewport : {list.detailsView()->viewport(), list.iconView()->viewport()}) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(viewport, &leave);
    }
    list.model()->sortBy(ResultModel::Name, Qt::AscendingOrder);
    add(numbered("/h/m", 400));
    // Each view's new rows sort above every row there already.
    const char* letter = "a98";
    for (const int view : {ResultList::Details, ResultList::List, ResultList::LargeIcons}) {
        SCOPED_TRACE(view);
        list.setViewMode(view);
        QTest::qWait(0);
        list.currentView()->scrollTo(list.model()->index(200, 0), QAbstractItemView::PositionAtTop);
        QTest::qWait(0);
        const QByteArray shown = firstShown();
        ASSERT_NE(shown, "(none)");
        add(numbered("/h/" + QByteArray(1, *letter++), 150));
        if (view == ResultList::Details) {
            EXPECT_EQ(firstShown(), shown);
            continue;
        }
        // Icons flow on in columns (List) or rows (Large Icons): the row stays in the first
        // column or row shown, though it may move along it.
        int row = 0;
        while (row < list.model()->rowCount() && list.model()->path(row) != shown)
            ++row;
        const QRect at = list.currentView()->visualRect(list.model()->index(row, 0));
        const QSize cell = list.iconView()->gridSize();
        if (view == ResultList::List)
            EXPECT_TRUE(at.left() >= 0 && at.left() < cell.width()) << at.left();
        else
            EXPECT_TRUE(at.top() >= 0 && at.top() < cell.height()) << at.top();
    }

    // At the very top, with the pointer elsewhere, the list shows its first rows as they come.
    list.setViewMode(ResultList::Details);
    list.currentView()->scrollToTop();
    QTest::qWait(0);
    add(numbered("/h/0", 5));
    EXPECT_EQ(firstShown(), "/h/01000.txt");

    // The row the user points at stays under the pointer, though rows sort in between it and
    // the top.
    QAbstractItemView* details = list.currentView();
    const QPoint pointer = details->visualRect(list.model()->index(12, 0)).center();
    QTest::mouseMove(details->viewport(), pointer);
    const QByteArray pointed = list.model()->path(details->indexAt(pointer).row());
    ResultRows between;
    for (int i = 0; i < 30; ++i) // "0100Nx" sorts right after "0100N"
        between.push_back(makeRow("/h/0" + QByteArray::number(1000 + i % 5) + "x" +
                                  QByteArray::number(i) + ".txt"));
    add(std::move(between));
    EXPECT_EQ(list.model()->path(details->indexAt(pointer).row()), pointed);

    // In the List view icons flow on in columns: the icon aimed at keeps its column under
    // the pointer batch after batch, though it may move along it.
    list.setViewMode(ResultList::List);
    QTest::qWait(20);
    QAbstractItemView* icons = list.currentView();
    icons->horizontalScrollBar()->setValue(0);
    QTest::qWait(20);
    const QPoint aim = icons->visualRect(list.model()->index(30, 0)).center();
    ASSERT_TRUE(icons->viewport()->rect().contains(aim));
    QTest::mouseMove(icons->viewport(), aim);
    const QByteArray aimed = list.model()->path(icons->indexAt(aim).row());
    for (const char* prefix : {"00", "01", "02", "03"}) {
        ResultRows above;
        for (int i = 0; i < 7; ++i) // sort above the aimed icon, 7 a batch
            above.push_back(makeRow("/h/" + QByteArray(prefix) + QByteArray::number(i) + ".txt"));
        add(std::move(above));
    }
    int row = 0;
    while (list.model()->path(row) != aimed)
        ++row;
    const QRect at = icons->visualRect(list.model()->index(row, 0));
    EXPECT_TRUE(at.left() <= aim.x() && aim.x() <= at.right())
        << at.left() << ".." << at.right() << " against " << aim.x();
}

TEST_F(ResultListTest, PopupLaunchLastListButtonAndFocusFollowTheShownView)
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

    // The focus and the keys that open the popup follow the shown view.
    list.clearFocus();
    QSignalSpy focus(&list, &ResultList::listHasFocusChanged);
    popup.clear();
    list.setFocus();
    ASSERT_EQ(focus.count(), 1);
    EXPECT_TRUE(focus.first().first().toBool());
    // A cell clicked in Details is current; the icon views show its row's name as current.
    list.selectionModel()->setCurrentIndex(
        list.model()->index(1, 2), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list.setViewMode(ResultList::List);
    EXPECT_TRUE(list.iconView()->hasFocus());
    EXPECT_TRUE(list.ListHasFocus());
    EXPECT_EQ(list.selectionModel()->currentIndex().row(), 1);
    EXPECT_TRUE(list.iconView()->visualRect(list.selectionModel()->currentIndex()).isValid());
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(1, 1), QPoint(1, 1));
    QCoreApplication::sendEvent(list.currentView(), &menu);
    EXPECT_EQ(popup.count(), 1);
    QTest::keyClick(list.currentView(), Qt::Key_F10, Qt::ShiftModifier); // the other popup key
    EXPECT_EQ(popup.count(), 2);
    QTest::keyClick(list.currentView(), Qt::Key_F10); // F10 alone is the menu bar's
    EXPECT_EQ(popup.count(), 2);
    list.clearFocus();
    EXPECT_FALSE(list.ListHasFocus());
}

// In List the columns fill top to bottom: Page Down and Page Up go a screenful of columns on
// and back, as they page in the other views.
TEST_F(ResultListTest, PageKeysPageThroughTheColumnsOfTheListView)
{
    list.model()->addRows(numbered("/h/f", 2000, {}));
    list.setViewMode(ResultList::List);
    QTest::qWait(0);
    QAbstractItemView* view = list.currentView();
    view->setFocus();
    view->setCurrentIndex(list.model()->index(0, 0));
    const int perColumn = viewport()->height() / std::max(1, view->sizeHintForRow(0));
    QTest::keyClick(view, Qt::Key_PageDown);
    const int paged = view->currentIndex().row();
    EXPECT_GT(paged, perColumn) << "stayed in the first column";
    EXPECT_TRUE(viewport()->rect().intersects(view->visualRect(view->currentIndex())));
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_GT(view->currentIndex().row(), paged);
    QTest::keyClick(view, Qt::Key_PageUp);
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(view->currentIndex().row(), 0);
    QTest::keyClick(view, Qt::Key_End);
    QTest::keyClick(view, Qt::Key_PageDown); // at the end: stays
    EXPECT_EQ(view->currentIndex().row(), 1999);
}

// The column-click rules through header clicks, each with the state expected after it: the
// user's clicks on Name, Date and URL and the end of a search's replay are the list's header
// tests; here the replays at start-up, where the stored direction is not shown.
TEST(SortState, FollowsTheColumnClickRules)
{
    struct Step {
        int column;
        bool replay, sortAscending, listAscending;
        int arrow; ///< the arrow's column, negative when pointing down; 0: no arrow
    };
    constexpr bool T = true, F = false;
    const struct {
        const char* name;
        bool storedAscending; // SortAscending before the first step
        std::vector<Step> steps;
    } sequences[] = {
        {"start-up replay, then Name", T, {{1, T, T, T, 0}, {1, F, F, F, -1}}},
        {"start-up replay descending", F, {{3, T, F, T, 0}, {3, F, T, T, 3}}},
        {"start-up Date replay", F, {{4, T, F, T, 0}, {4, F, T, T, 4}}},
        // Date reverses on every click: after a descending Name it is oldest first.
        {"Date after descending Name", T, {{1, F, T, T, 1}, {1, F, F, F, -1}, {4, F, T, T, 4}}},
        {"out of range ignored", T, {{0, T, T, T, 0}, {7, F, T, T, 0}}}};
    for (const auto& sequence : sequences) {
        SortState state;
        state.SortAscending = sequence.storedAscending;
        for (const Step& step : sequence.steps) {
            SCOPED_TRACE(testing::Message() << sequence.name << ": column " << step.column
                                            << " replay " << step.replay);
            state.ApplyingStoredSort = step.replay;
            state.ListView1_ColumnClick(step.column);
            EXPECT_FALSE(state.ApplyingStoredSort);
            EXPECT_EQ(state.SortAscending, step.sortAscending);
            // List column N sorts model key N - 1; an ignored click leaves the list unsorted.
            EXPECT_EQ(state.listSortKey(),
                      step.column >= 1 && step.column <= 6 ? step.column - 1 : -1);
            EXPECT_EQ(state.listAscending(), step.listAscending);
            EXPECT_EQ(state.arrowColumn(), std::abs(step.arrow));
            EXPECT_EQ(step.arrow != 0 && state.arrowUp(), step.arrow > 0); // up only with an arrow
        }
    }
}

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

// The current icon shows a focus frame even when it is not selected, as the other views do.
TEST(LargeIconNames, TheCurrentIconShowsItsFocus)
{
    QStandardItemModel model;
    model.appendRow(new QStandardItem(QStringLiteral("report.txt")));
    const LargeIconDelegate delegate(QSize(96, 80), QSize(32, 32));
    const auto painted = [&](QStyle::State state) {
        QImage image(96, 80, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.palette = QApplication::palette();
        option.font = QApplication::font();
        option.fontMetrics = QFontMetrics(option.font);
        option.rect = QRect(0, 0, 96, 80);
        option.state = QStyle::State_Enabled | QStyle::State_Active | state;
        delegate.paint(&painter, option, model.index(0, 0));
        return image;
    };
    EXPECT_NE(painted(QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange),
              painted(QStyle::State_None));
}

TEST(StatusBar, PanelsFitTheirTextsOnOneLineAndTheLightShowsActivity)
{
    sbStatusBar bar;
    EXPECT_GT(bar.panel(2)->width(),
              bar.panel(2)->fontMetrics().horizontalAdvance(u"Search cancelled"_qs));
    EXPECT_GT(bar.panel(3)->width(),
              bar.panel(3)->fontMetrics().horizontalAdvance(u"10,000 item(s) found."_qs));
    // Selected rows put their path in the first panel; a name's line break must not make the
    // bar taller. Texts are the panels' accessible names; panels that do not exist are ignored.
    bar.setPanelText(1, u"/home/u/line\nbreak\r\u2028x\u2029y\u0085z\tend"_qs);
    EXPECT_EQ(bar.panelText(1), u"/home/u/line\u23CEbreak\u23CE\u23CEx\u23CEy\u23CEz\uFFFDend"_qs);
    EXPECT_EQ(bar.panel(1)->accessibleName(), bar.panelText(1));
    EXPECT_EQ(bar.panel(1)->sizeHint().height(), bar.panel(2)->sizeHint().height());
    bar.setPanelText(5, QStringLiteral("x"));
    EXPECT_EQ(bar.panelText(5), u"");

    // A path too long for the panel is cut in the middle: its start and its file name show.
    bar.resize(700, bar.sizeHint().height());
    bar.show();
    QTest::qWait(20);
    const QString path = u"/home/u/"_qs + QString(300, u'd') + u"/the file.txt"_qs;
    bar.setPanelText(1, path);
    QTest::qWait(20);
    const QString shown = bar.panel(1)->text();
    EXPECT_TRUE(shown.startsWith(u"/home/u/"_qs) && shown.endsWith(u"the file.txt"_qs) &&
                shown.contains(QChar(0x2026)))
        << shown.toStdString();
    EXPECT_LE(bar.panel(1)->fontMetrics().horizontalAdvance(shown),
              bar.panel(1)->contentsRect().width());
    EXPECT_EQ(bar.panelText(1), path);
    EXPECT_EQ(bar.panel(1)->accessibleName(), path);
    EXPECT_FALSE(bar.panel(1)->toolTip().isEmpty());
    bar.setPanelText(1, u"short"_qs);
    EXPECT_EQ(bar.panel(1)->text(), u"short"_qs);
    EXPECT_TRUE(bar.panel(1)->toolTip().isEmpty());

    // The activity light: red while a search runs, and round, not square.
    for (const bool running : {true, false}) {
        bar.setActivity(running);
        const QImage light = bar.panel(4)->pixmap().toImage();
        ASSERT_FALSE(light.isNull());
        const QColor centre = light.pixelColor(light.width() / 2, light.height() / 2);
        EXPECT_EQ(centre.red() > centre.green(), running);
        EXPECT_EQ(light.pixelColor(0, 0).alpha(), 0);
    }
}

// What a label or tooltip shows of `text`: Qt takes text that looks like markup as markup.
QString shownAs(const QString& text, Qt::TextFormat format = Qt::AutoText)
{
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

TEST(MarkupInNames, PanelsAndTooltipsShowNamesAsTheyAre)
{
    // Names and folders may hold anything that looks like markup.
    const QString path = u"/h/<i>odd</i> & <b>x</b> &lt;y&gt;.txt"_qs;
    sbStatusBar bar;
    bar.setPanelText(1, path);
    EXPECT_EQ(shownAs(bar.panel(1)->text(), bar.panel(1)->textFormat()), path);

    ResultModel model;
    model.addRows({makeRow(path.toUtf8()), makeRow("/h/a<b.txt"), makeRow("/h/plain & simple"),
                   makeRow("/h/x&lt;y.txt")});
    for (int row = 0; row < model.rowCount(); ++row) {
        for (const int c : {ResultModel::Name, ResultModel::Location}) {
            const QString tip = model.data(model.index(row, c), Qt::ToolTipRole).toString();
            EXPECT_EQ(shownAs(tip), QString::fromUtf8(model.path(row))) << tip.toStdString();
        }
    }
}

} // namespace
