#pragma once

#include <QPixmap>
#include <QStatusBar>

class QLabel;

/// The status bar at the bottom of the main window: panel 1 the hint (the copyright line at
/// first), panel 2 the search state, panel 3 the result count, panel 4 the activity light.
/// Each panel's text is also its accessible name.
class sbStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    /// The program's copyright line, panel 1's first text.
    static QString copyrightLine();

    explicit sbStatusBar(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(sbStatusBar)

    /// Sets the text of panel 1…3 (and its accessible name); other panels are ignored.
    void setPanelText(int panel, const QString& text);
    /// The text of panel 1…3; "" for any other panel.
    QString panelText(int panel) const;
    /// Shows the red light while a search runs, the green one otherwise.
    void setActivity(bool running);
    /// Whether the red light shows.
    bool activity() const { return m_running; }
    /// The label of panel 1…4; null for any other number.
    QLabel* panel(int panel) const;

    /// The light picture: a red or green circle, 15 x 14 pixels.
    static QPixmap lightPixmap(bool running);

Q_SIGNALS:
    /// The pointer moved over the status bar (the hint panel may take the copyright line back).
    void pointerMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QLabel* m_panels[4] = {};
    bool m_running = false;
};
