#pragma once

#include <QHeaderView>

/// The column header of the Details view with the list's own sort arrow: a small black
/// triangle at the right of one section, pointing up for ascending and down for descending.
/// Styles disagree on which way Qt's sort indicator points, so that indicator stays off and
/// the arrow is drawn here, the same in every style.
class SortArrowHeader final : public QHeaderView {
    Q_OBJECT
public:
    /// A horizontal header owned by `parent`, with no arrow.
    explicit SortArrowHeader(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SortArrowHeader)

    /// Shows the arrow on logical section `section` (-1 for none), up when `up`.
    void setArrow(int section, bool up);
    /// The logical section that shows the arrow, or -1.
    int arrowSection() const { return m_section; }
    /// Whether the arrow points up.
    bool arrowUp() const { return m_up; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_section = -1;
    bool m_up = true;
};
