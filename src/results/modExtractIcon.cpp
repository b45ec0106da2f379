#include "modExtractIcon.h"

#include "search/PathHelpers.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

#include <algorithm>

namespace {

const QString FolderIconName = QStringLiteral("folder");

// Names without an extension are cached by themselves ("Makefile"); past this many the
// cache starts again rather than growing with every distinct name.
constexpr qsizetype MaxTypeEntries = 4096;

} // namespace

modExtractIcon::modExtractIcon()
{
    installFallbackTheme();
}

void modExtractIcon::installFallbackTheme()
{
    const QString fallback = QIcon::fallbackThemeName();
    if (fallback.isEmpty() || fallback == u"hicolor")
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    // Without a desktop session the theme name is empty, and then Qt never reaches the
    // fallback; name hicolor, the theme every system has, so that it does.
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("hicolor"));
    // The theme is searched for in the data folders' "icons"; where those folders leave out
    // the system's own (a trimmed XDG_DATA_DIRS), add it so the installed theme is found.
    QStringList paths = QIcon::themeSearchPaths();
    const auto hasTheme = [](const QString& path) {
        return QFileInfo::exists(path + u"/Adwaita/index.theme");
    };
    if (std::none_of(paths.cbegin(), paths.cend(), hasTheme)) {
        for (const QString& system :
             {QStringLiteral("/usr/local/share/icons"), QStringLiteral("/usr/share/icons")}) {
            if (hasTheme(system) && !paths.contains(system))
                paths.append(system);
        }
        QIcon::setThemeSearchPaths(paths);
    }
}

const modExtractIcon::TypeIcon& modExtractIcon::typeIconFor(QByteArrayView name)
{
    const QString text = displayText(name);
    const QString extension = GetFilename(text, PathPart::Extension).toLower();
    // A name with an extension stands for every name with it; "x" keeps compound globs such
    // as "*.tar.gz" from deciding the type of a plain ".gz".
    const QString cacheKey = extension.isEmpty() ? text.toLower() : extension;
    auto it = m_byExtension.constFind(cacheKey);
    if (it != m_byExtension.constEnd())
        return it.value();
    if (m_byExtension.size() >= MaxTypeEntries)
        m_byExtension.clear();
    const QString probe = extension.isEmpty() ? text : u"x" + extension;
    const QMimeType type = m_mime.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
    return m_byExtension.insert(cacheKey, TypeIcon{type.iconName(), type.genericIconName()})
        .value();
}

QString modExtractIcon::iconNameFor(QByteArrayView name, bool folder)
{
    return folder ? FolderIconName : typeIconFor(name).name;
}

QIcon modExtractIcon::resolve(const TypeIcon& type, bool folder)
{
    ++m_loads;
    QIcon icon = QIcon::fromTheme(type.name);
    if (icon.isNull() && !type.generic.isEmpty())
        icon = QIcon::fromTheme(type.generic);
    if (icon.isNull() && qobject_cast<QApplication*>(QCoreApplication::instance()))
        icon =
            QApplication::style()->standardIcon(folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    return icon;
}

QIcon modExtractIcon::iconFor(const ResultRow& row)
{
    const TypeIcon folderType{FolderIconName, QStringLiteral("inode-directory")};
    const TypeIcon& type = row.folder ? folderType : typeIconFor(row.name());
    auto it = m_icons.constFind(type.name);
    if (it != m_icons.constEnd())
        return it.value();
    return m_icons.insert(type.name, resolve(type, row.folder)).value();
}
