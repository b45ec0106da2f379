#pragma once

#include "search/ResultRow.h"

#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>

/// The icons of result rows: one icon per type, taken from the icon theme by the type that
/// the row's name gives. Icons are resolved only when a row is drawn and cached once per icon
/// name; one entry serves every row of its type at 16 and at 32 pixels.
class modExtractIcon final {
public:
    modExtractIcon();
    Q_DISABLE_COPY_MOVE(modExtractIcon)

    /// Makes the installed Adwaita theme the fallback, so theme icons resolve also outside a
    /// desktop session (where Qt's theme is only hicolor). Safe to call more than once.
    static void installFallbackTheme();

    /// The icon of `row`'s type: the theme icon of its MIME type, else the type's generic
    /// icon, else a built-in file or folder icon. Never null.
    QIcon iconFor(const ResultRow& row);
    /// The cache key `iconFor` uses for a name: "folder" for folders, else the icon name of
    /// the MIME type that the name's extension gives (no file is read).
    QString iconNameFor(QByteArrayView name, bool folder);

    /// Icons held: one per icon name.
    int cacheSize() const { return int(m_icons.size()); }
    /// How many times an icon was looked up in the theme (a cache miss).
    int loads() const { return m_loads; }

private:
    struct TypeIcon {
        QString name;    ///< the MIME type's icon name
        QString generic; ///< its generic icon name
    };
    const TypeIcon& typeIconFor(QByteArrayView name);
    QIcon resolve(const TypeIcon& type, bool folder);

    QMimeDatabase m_mime;
    QHash<QString, TypeIcon> m_byExtension; ///< ".txt" → icon names; bare names by themselves
    QHash<QString, QIcon> m_icons;          ///< icon name → icon
    int m_loads = 0;
};
