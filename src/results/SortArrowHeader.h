#pragma once

#include <QHeaderView>

/// The column header of the Details view with the list's own sort arrow: a small black
/// triangle at the right of one section, pointing up for ascending and down for descending.
/// Styles disagree on which way Qt's sort indicator points, so that indicator stays off and
/// the arrow is drawn here, the same in every style. It also takes the keyboard (Tab): Left
/// and Right (Home, End) pick a column, Space or Enter sorts by it as a click does.
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

    /// The logical section the keyboard is on, or -1.
    int keySection() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    /// The shown section next to visual index `from` in direction `step` (±1), or `from`.
    int nextShown(int from, int step) const;

    int m_section = -1;
    bool m_up = true;
    int m_keyVisual = -1; // the visual index the keyboard is on
};
