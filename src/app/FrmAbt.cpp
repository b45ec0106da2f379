#include "FrmAbt.h"

#include "shell/ProgramIcon.h"

#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef KF_VERSION
#define KF_VERSION "0.0.0"
#endif

namespace {
const QString SupportMail = QStringLiteral("support@kestrelfind.example.org");
const QString WebSite = QStringLiteral("https://kestrelfind.example.org/");
} // namespace

QString FrmAbt::supportAddress()
{
    return QStringLiteral("mailto:") + SupportMail;
}

QString FrmAbt::webAddress()
{
    return WebSite;
}

QString FrmAbt::versionLine()
{
    return QStringLiteral("Kestrelfind version ") + QStringLiteral(KF_VERSION);
}

QString FrmAbt::copyrightLine()
{
    return QChar(169) + QStringLiteral(" 2026 Willow Brookes. All rights reserved.");
}

namespace {

/// A label holding one link, reached by Tab as one stop with the link focused: a plain label
/// takes a stop of its own before its link, where Enter would go to the default button.
class LinkLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QLabel::focusInEvent(event);
        if (event->reason() == Qt::TabFocusReason)
            QLabel::focusNextPrevChild(true); // its link
        else if (event->reason() == Qt::BacktabFocusReason)
            QLabel::focusNextPrevChild(false);
    }
    // The one link was focused on the way in: Tab and Shift+Tab leave the label.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

} // namespace

FrmAbt::FrmAbt(Launch launch, QWidget* parent)
    : QDialog(parent)
    , m_launch(std::move(launch))
{
    setObjectName(QStringLiteral("FrmAbt"));
    setWindowTitle(QStringLiteral("About..."));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setPixmap(ProgramIcon::icon().pixmap(64, 64));
    picture->setAccessibleName(QStringLiteral("Kestrelfind"));
    auto* title = new QLabel(QStringLiteral("<b>Kestrelfind</b>"), this);
    auto* version = new QLabel(versionLine(), this);
    version->setObjectName(QStringLiteral("Label7"));
    auto* copyright = new QLabel(copyrightLine(), this);
    copyright->setObjectName(QStringLiteral("Label2"));
    QLabel* mail =
        addressLabel(QStringLiteral("Label5"), SupportMail, QStringLiteral("Support e-mail"));
    QLabel* web = addressLabel(QStringLiteral("Label6"), WebSite, QStringLiteral("Web site"));
    connect(mail, &QLabel::linkActivated, this, &FrmAbt::Label5_Click);
    connect(web, &QLabel::linkActivated, this, &FrmAbt::Label6_Click);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("Command3"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(title), static_cast<QWidget*>(version),
                       static_cast<QWidget*>(copyright), static_cast<QWidget*>(mail),
                       static_cast<QWidget*>(web)})
        text->addWidget(w);
    auto* grid = new QGridLayout(this);
    grid->addWidget(picture, 0, 0, Qt::AlignTop);
    grid->addLayout(text, 0, 1);
    grid->addWidget(buttons, 1, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
}

QLabel* FrmAbt::addressLabel(const QString& name, const QString& shown, const QString& accessible)
{
    auto* label = new LinkLabel(
        QStringLiteral("<a href=\"#\">") + shown.toHtmlEscaped() + QStringLiteral("</a>"), this);
    label->setObjectName(name);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setFocusPolicy(Qt::TabFocus);
    label->setCursor(Qt::PointingHandCursor);
    label->setAccessibleName(accessible);
    label->setAccessibleDescription(shown);
    label->setToolTip(shown);
    return label;
}

void FrmAbt::Label5_Click()
{
    if (m_launch)
        m_launch(this, supportAddress());
}

void FrmAbt::Label6_Click()
{
    if (m_launch)
        m_launch(this, webAddress());
}
