#pragma once

#include <QWidget>

/// A frame over a view's rows around the place a drag would drop onto, so that the user sees
/// where the files will go before letting the button go. It takes no input and is hidden
/// while it frames nothing.
class DropTargetMark final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DropTargetMark)
public:
    /// A mark over `viewport`, hidden.
    explicit DropTargetMark(QWidget* viewport);

    /// Frames `rect` (in the viewport's coordinates); an empty `rect` hides the mark.
    void frame(const QRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
};
