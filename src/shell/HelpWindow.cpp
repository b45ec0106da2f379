#include "HelpWindow.h"

#include "shell/ProgramIcon.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QShortcut>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace ManualLocator {

namespace {
const QString FirstPage = QStringLiteral("/manual/index.html");
}

QStringList candidates(const QString& programFolder)
{
    QStringList places;
    const QString folder = QDir::cleanPath(programFolder);
    places << folder + FirstPage;
    const QString share = folder + QStringLiteral("/../share"); // the program's own prefix
    places << share + QStringLiteral("/doc/kestrelfind") + FirstPage
           << share + QStringLiteral("/kestrelfind") + FirstPage;
    for (const QString& data :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        places << data + QStringLiteral("/doc/kestrelfind") + FirstPage
               << data + QStringLiteral("/kestrelfind") + FirstPage;
    for (QString& place : places)
        place = QDir::cleanPath(place);
    places.removeDuplicates();
    return places;
}

QString find(const QString& programFolder)
{
    for (const QString& place : candidates(programFolder)) {
        if (QFileInfo(place).isFile())
            return QFileInfo(place).absoluteFilePath();
    }
    return {};
}

} // namespace ManualLocator

HelpWindow::HelpWindow(const QString& programFolder, Launch launch, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_programFolder(programFolder)
    , m_manual(ManualLocator::find(programFolder))
    , m_launch(std::move(launch))
    , m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kestrelfind Help"));
    setWindowIcon(ProgramIcon::icon());
    resize(760, 640);

    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setAccessibleName(QStringLiteral("Help"));
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);

    const auto button = [this](const QString& name, const QString& text, const QKeySequence& key) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setShortcut(key);
        b->setToolTip(text.mid(text.indexOf(u'&') + 1).remove(u'&') + QStringLiteral(" (") +
                      key.toString(QKeySequence::NativeText) + u')');
        b->setAutoRaise(true);
        return b;
    };
    QToolButton* back = button(QStringLiteral("helpBack"), QStringLiteral("&Back"),
                               QKeySequence(Qt::ALT | Qt::Key_Left));
    QToolButton* forward = button(QStringLiteral("helpForward"), QStringLiteral("&Forward"),
                                  QKeySequence(Qt::ALT | Qt::Key_Right));
    QToolButton* contents = button(QStringLiteral("helpContents"), QStringLiteral("&Contents"),
                                   QKeySequence(Qt::ALT | Qt::Key_Home));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this, &HelpWindow::showContents);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);

    auto* bar = new QHBoxLayout;
    bar->addWidget(back);
    bar->addWidget(forward);
    bar->addWidget(contents);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_browser);
}

bool HelpWindow::showContents()
{
    if (m_manual.isEmpty()) {
        QString html = QStringLiteral("<h1>The manual is not installed</h1>"
                                      "<p>Kestrelfind looked for it in these places:</p><ul>");
        for (const QString& place : ManualLocator::candidates(m_programFolder))
            html += QStringLiteral("<li>") + place.toHtmlEscaped() + QStringLiteral("</li>");
        m_browser->setHtml(html + QStringLiteral("</ul>"));
    } else {
        QUrl page = QUrl::fromLocalFile(m_manual);
        page.setFragment(QStringLiteral("contents"));
        m_browser->setSource(page);
    }
    show();
    raise();
    activateWindow();
    m_browser->setFocus();
    return !m_manual.isEmpty();
}

QUrl HelpWindow::currentPage() const
{
    return m_browser->source();
}

void HelpWindow::follow(const QUrl& link)
{
    const QUrl target = m_browser->source().resolved(link);
    if (target.isLocalFile() || target.scheme().isEmpty())
        m_browser->setSource(target);
    else if (m_launch)
        m_launch(this, target.toString());
}
