#include "sbStatusBar.h"

#include "platform/DisplayText.h"

#include <algorithm>

#include <QEvent>
#include <QLabel>
#include <QPainter>

namespace {

/// A text panel that shows a text too long for it cut in the middle, so that a long path
/// still shows its start and its file name; the whole text is its accessible name and, when
/// cut, its tooltip.
class TextPanel final : public QLabel {
public:
    using QLabel::QLabel;
    void setWholeText(const QString& text)
    {
        m_whole = text;
        setAccessibleName(text);
        fit();
    }
    const QString& wholeText() const { return m_whole; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        fit();
    }

private:
    void fit()
    {
        const int room = contentsRect().width() - 2 * margin() - 2;
        const QString shown = fontMetrics().elidedText(m_whole, Qt::ElideMiddle, qMax(room, 0));
        if (shown != text())
            setText(shown);
        setToolTip(shown == m_whole ? QString() : plainToolTip(m_whole));
    }

    QString m_whole;
};

int twipsToPixels(int twips, const QWidget* widget)
{
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}

struct PanelSetup {
    const char* name;
    const char* description;
    int widthTwips;
    int minimumTwips;
    const char* widestText; ///< the longest text the panel usually shows
};

constexpr PanelSetup Panels[4] = {
    {"pnlHint", "Hint", 5505, 1440, ""},
    {"pnlState", "State", 1440, 1440, "Search cancelled"},
    {"pnlProgress", "Count", 1395, 1400, "888,888 item(s) found."},
    {"pnlActivity", "Activity", 105, 100, ""},
};

constexpr QSize LightSize(15, 14);

} // namespace

QString sbStatusBar::copyrightLine()
{
    return QStringLiteral("Copyright \u00A9 2026 Willow Brookes");
}

QPixmap sbStatusBar::lightPixmap(bool running)
{
    QPixmap pixmap(LightSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor light = running ? QColor(220, 30, 30) : QColor(30, 170, 50);
    painter.setPen(light.darker(160));
    painter.setBrush(light);
    painter.drawEllipse(QRectF(1.5, 1, 12, 12));
    return pixmap;
}

sbStatusBar::sbStatusBar(QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("sbStatusBar"));
    setMouseTracking(true);
    for (int i = 0; i < 4; ++i) {
        QLabel* label = i < 3 ? new TextPanel(this) : new QLabel(this);
        label->setTextFormat(Qt::PlainText); // names and folders are never read as markup
        const PanelSetup& setup = Panels[i];
        label->setObjectName(QString::fromLatin1(setup.name));
        label->setAccessibleDescription(QString::fromLatin1(setup.description));
        label->setMouseTracking(true);
        label->installEventFilter(this);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        int minimum = twipsToPixels(setup.minimumTwips, this);
        if (i == 3) {
            // The light must fit, whatever the panel's nominal width.
            minimum = qMax(minimum, LightSize.width() + 2 * label->frameWidth() + 4);
            label->setAlignment(Qt::AlignCenter);
        }
        label->setMinimumWidth(minimum);
        if (i != 0) {
            // A desktop font wider than the design's still shows the longest usual text.
            const int text =
                label->fontMetrics().horizontalAdvance(QString::fromLatin1(setup.widestText)) +
                2 * label->frameWidth() + 8;
            label->setFixedWidth(std::max({minimum, text, twipsToPixels(setup.widthTwips, this)}));
        } else
            label->resize(qMax(minimum, twipsToPixels(setup.widthTwips, this)), label->height());
        addPermanentWidget(label, i == 0 ? 1 : 0); // panel 1 takes the extra width
        m_panels[i] = label;
    }
    setPanelText(1, copyrightLine());
    setPanelText(2, QStringLiteral("Ready"));
    setPanelText(3, QString());
    setActivity(false);
}

QLabel* sbStatusBar::panel(int panel) const
{
    return panel >= 1 && panel <= 4 ? m_panels[panel - 1] : nullptr;
}

void sbStatusBar::setPanelText(int panel, const QString& text)
{
    if (panel < 1 || panel > 3)
        return;
    // A panel is one line high: a name's line break must not grow the bar.
    static_cast<TextPanel*>(m_panels[panel - 1])->setWholeText(oneLine(text));
}

QString sbStatusBar::panelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? static_cast<TextPanel*>(m_panels[panel - 1])->wholeText()
                                    : QString();
}

void sbStatusBar::setActivity(bool running)
{
    m_running = running;
    QLabel* light = m_panels[3];
    light->setPixmap(lightPixmap(running));
    light->setAccessibleName(running ? QStringLiteral("Searching") : QStringLiteral("Idle"));
}

bool sbStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        Q_EMIT pointerMoved();
        return true; // handled here, so it does not reach the bar a second time
    }
    return QStatusBar::eventFilter(watched, event);
}

void sbStatusBar::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT pointerMoved();
    QStatusBar::mouseMoveEvent(event);
}
