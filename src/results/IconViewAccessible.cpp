#include "IconViewAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>

#include <algorithm>

namespace {

/// One row of the view.
class RowItem final : public QAccessibleInterface {
public:
    RowItem(QListView* view, const QModelIndex& index)
        : m_view(view)
        , m_index(index)
    {}

    int row() const { return isValid() ? m_index.row() : -1; }

    bool isValid() const override
    {
        return m_view && m_index.isValid() && m_index.model() == m_view->model();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QVector<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation) const override
    {
        return {};
    }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override
    {
        return m_view ? QAccessible::queryAccessibleInterface(m_view.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name: {
            const QString text = m_index.data(Qt::AccessibleTextRole).toString();
            return text.isEmpty() ? m_index.data(Qt::DisplayRole).toString() : text;
        }
        case QAccessible::Description:
            return m_index.data(Qt::AccessibleDescriptionRole).toString();
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect cell = m_view->visualRect(m_index);
        return QRect(m_view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = m_view->selectionModel() && m_view->selectionModel()->isSelected(m_index);
        state.focused = m_view->hasFocus() && m_view->currentIndex() == m_index;
        state.invisible = !m_view->viewport()->rect().intersects(m_view->visualRect(m_index));
        state.offscreen = state.invisible;
        return state;
    }

private:
    QPointer<QListView> m_view;
    QPersistentModelIndex m_index;
};

/// The view as a list of its rows. A row's item is made when a reader first asks for it
/// and kept (registered, as a reader may hold on to it) while it still names that row.
class RowList final : public QAccessibleWidget {
public:
    explicit RowList(QListView* view)
        : QAccessibleWidget(view, QAccessible::List)
    {}
    ~RowList() override
    {
        for (const QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override
    {
        const QAbstractItemModel* model = view()->model();
        return model ? model->rowCount(view()->rootIndex()) : 0;
    }

    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto it = m_items.constFind(index); it != m_items.constEnd()) {
            auto* item = static_cast<RowItem*>(QAccessible::accessibleInterface(*it));
            if (item && item->row() == index)
                return item;
            QAccessible::deleteAccessibleInterface(*it); // its row moved or went
            m_items.erase(it);
        }
        sweep();
        auto* item = new RowItem(view(), view()->model()->index(index, 0, view()->rootIndex()));
        m_items.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child || child->role() != QAccessible::ListItem || child->parent() != this)
            return -1;
        return static_cast<const RowItem*>(child)->row();
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QModelIndex at = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return at.isValid() ? child(at.row()) : nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        const QModelIndex current = view()->currentIndex();
        return current.isValid() ? child(current.row()) : nullptr;
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const auto mode = view()->selectionMode();
        state.multiSelectable = mode == QAbstractItemView::ExtendedSelection ||
                                mode == QAbstractItemView::MultiSelection;
        return state;
    }

private:
    QListView* view() const { return static_cast<QListView*>(widget()); }

    /// Items whose rows went (a new search, a delete) or moved (a sort) are let go now and
    /// then, so that they do not pile up over a long session.
    void sweep() const
    {
        // Only when the kept items doubled since the last sweep: a reader going through a
        // long list row by row costs a sweep now and then, not one per row.
        if (m_items.size() < 2 * std::max(kKept, m_afterSweep))
            return;
        for (auto it = m_items.begin(); it != m_items.end();) {
            auto* item = static_cast<RowItem*>(QAccessible::accessibleInterface(*it));
            if (item && item->row() == it.key()) {
                ++it;
                continue;
            }
            QAccessible::deleteAccessibleInterface(*it);
            it = m_items.erase(it);
        }
        m_afterSweep = m_items.size();
    }

    static constexpr qsizetype kKept = 512;
    mutable QHash<int, QAccessible::Id> m_items;
    mutable qsizetype m_afterSweep = 0;
};

QAccessibleInterface* iconViewFactory(const QString& className, QObject* object)
{
    if (className == u"ResultIconView" && object && object->isWidgetType())
        return new RowList(static_cast<QListView*>(object));
    return nullptr;
}

} // namespace

void installIconViewAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory(iconViewFactory);
        return true;
    }();
    Q_UNUSED(installed)
}
