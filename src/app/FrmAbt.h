#pragma once

// Help > About: the program's picture, version, copyright, and the maker's support and web
// addresses, each opened with the desktop's program when clicked.

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

class FrmAbt final : public QDialog {
    Q_OBJECT
public:
    /// Opens an address with the desktop's program and explains a failure (LaunchFile).
    using Launch = std::function<void(QWidget* owner, const QString& address)>;

    /// The box, owned by `parent` (the main window); `launch` opens the two addresses.
    explicit FrmAbt(Launch launch, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FrmAbt)

    /// The support address as opened ("mailto:" + the address).
    static QString supportAddress();
    /// The web address as opened.
    static QString webAddress();
    /// "Kestrelfind version X.Y.Z".
    static QString versionLine();
    /// The copyright sign, then the copyright text.
    static QString copyrightLine();

    /// Label5_Click: opens the mail program on the support address.
    void Label5_Click();
    /// Label6_Click: opens the web site.
    void Label6_Click();

private:
    QLabel* addressLabel(const QString& name, const QString& shown, const QString& accessible);

    Launch m_launch;
};
