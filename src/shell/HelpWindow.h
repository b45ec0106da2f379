#pragma once

// Help > Contents: the program's HTML manual in a window of its own, opened on its contents.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>

class QTextBrowser;

namespace ManualLocator {

/// The places the manual's first page may be, best first, for a program in `programFolder`:
/// beside it (the build tree), then share/doc/kestrelfind/manual and
/// share/kestrelfind/manual of its prefix, then of the system's data folders.
QStringList candidates(const QString& programFolder);
/// The first existing candidate as an absolute path, or "" when there is none.
QString find(const QString& programFolder);

} // namespace ManualLocator

/// A small browser over the manual: Back, Forward and Contents, links between its pages
/// followed inside, other addresses handed to the launcher.
class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    /// Opens an address (web or mail) with the desktop's program; the caller reports failures.
    using Launch = std::function<void(QWidget* owner, const QString& address)>;

    /// A help window showing the manual found for `programFolder` (see ManualLocator).
    explicit HelpWindow(const QString& programFolder, Launch launch, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(HelpWindow)

    /// Shows the contents page (or a page naming the places searched when there is no
    /// manual), brings the window forward, and returns whether the manual was found.
    bool showContents();
    /// The manual's first page, "" when none was found.
    QString manualPath() const { return m_manual; }
    /// The page shown.
    QUrl currentPage() const;

private:
    void follow(const QUrl& link);

    QString m_programFolder;
    QString m_manual;
    Launch m_launch;
    QTextBrowser* m_browser;
};
