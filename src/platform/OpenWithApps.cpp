#include "OpenWithApps.h"

#include "GioPointers.h"

#include <gio/gdesktopappinfo.h>

#include <QSet>

namespace {
struct AppListFree {
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};
using AppList = std::unique_ptr<GList, AppListFree>;

AppEntry entryOf(GAppInfo* app, bool isDefault, bool forType)
{
    AppEntry entry;
    entry.id = g_app_info_get_id(app);
    entry.name = QString::fromUtf8(g_app_info_get_display_name(app));
    if (GIcon* icon = g_app_info_get_icon(app); icon && G_IS_THEMED_ICON(icon)) {
        const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
        if (names && names[0])
            entry.iconName = QString::fromUtf8(names[0]);
    }
    entry.isDefault = isDefault;
    entry.forType = forType;
    return entry;
}

void append(QList<AppEntry>& out, QSet<QByteArray>& seen, GAppInfo* app, bool isDefault,
            bool forType)
{
    const char* id = g_app_info_get_id(app);
    if (!id || seen.contains(id))
        return;
    seen.insert(id);
    out.append(entryOf(app, isDefault, forType));
}
} // namespace

QByteArray contentTypeOf(const QByteArray& path)
{
    const GObjectPtr<GFile> file(g_file_new_for_path(path.constData()));
    const GObjectPtr<GFileInfo> info(g_file_query_info(file.get(),
                                                       G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                       G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    const char* type = info ? g_file_info_get_content_type(info.get()) : nullptr;
    return type ? QByteArray(type) : QByteArray();
}

QString contentTypeDescription(const QByteArray& contentType)
{
    if (contentType.isEmpty())
        return {};
    const GCharPtr text(g_content_type_get_description(contentType.constData()));
    return text ? QString::fromUtf8(text.get()) : QString();
}

QList<AppEntry> applicationsFor(const QByteArray& contentType)
{
    QList<AppEntry> out;
    QSet<QByteArray> seen;
    if (!contentType.isEmpty()) {
        const GObjectPtr<GAppInfo> preferred(
            g_app_info_get_default_for_type(contentType.constData(), FALSE));
        if (preferred)
            append(out, seen, preferred.get(), true, true);
        const AppList forType(g_app_info_get_all_for_type(contentType.constData()));
        for (GList* it = forType.get(); it; it = it->next)
            append(out, seen, G_APP_INFO(it->data), false, true);
    }
    const AppList all(g_app_info_get_all());
    for (GList* it = all.get(); it; it = it->next) {
        if (g_app_info_should_show(G_APP_INFO(it->data)))
            append(out, seen, G_APP_INFO(it->data), false, false);
    }
    return out;
}

QString setDefaultApplication(const QByteArray& appId, const QByteArray& contentType)
{
    const GObjectPtr<GDesktopAppInfo> app(g_desktop_app_info_new(appId.constData()));
    if (!app)
        return QStringLiteral("The program is no longer installed.");
    GError* raw = nullptr;
    if (g_app_info_set_as_default_for_type(G_APP_INFO(app.get()), contentType.constData(), &raw))
        return {};
    const GErrorPtr error(raw);
    return error ? QString::fromUtf8(error->message) : QStringLiteral("Unknown");
}
