#include "Launcher.h"

#include "FileUri.h"
#include "GioPointers.h"
#include "Prompt.h"

#include <gio/gdesktopappinfo.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

namespace {
LaunchOutcome generalFailure(const QString& detail)
{
    return {LaunchError::General, detail};
}

LaunchOutcome fromError(GError* raw)
{
    const GErrorPtr error(raw);
    if (error && g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND))
        return {LaunchError::FileNotFound, {}};
    return generalFailure(error ? QString::fromUtf8(error->message) : QString());
}

/// Checks the path exists before any lookup, so a vanished file never reads as "no
/// application". A dangling link counts as gone.
std::optional<LaunchOutcome> missing(const QByteArray& path)
{
    struct stat st {};
    if (path.isEmpty())
        return LaunchOutcome{LaunchError::FileNotFound, {}};
    if (::stat(path.constData(), &st) == 0)
        return std::nullopt;
    if (errno == ENOENT || errno == ENOTDIR)
        return LaunchOutcome{LaunchError::FileNotFound, {}};
    return generalFailure(QString::fromLocal8Bit(std::strerror(errno)));
}

LaunchOutcome launchFiles(GAppInfo* app, GFile* file)
{
    GList files{file, nullptr, nullptr};
    GError* error = nullptr;
    if (!g_app_info_launch(app, &files, nullptr, &error))
        return fromError(error);
    return {};
}

LaunchOutcome openAddress(const QByteArray& uri)
{
    const GCharPtr scheme(g_uri_parse_scheme(uri.constData()));
    if (!scheme)
        return {LaunchError::NoAssociation, {}};
    const GObjectPtr<GAppInfo> app(g_app_info_get_default_for_uri_scheme(scheme.get()));
    if (!app)
        return {LaunchError::NoAssociation, {}};
    GList uris{const_cast<char*>(uri.constData()), nullptr, nullptr};
    GError* error = nullptr;
    if (!g_app_info_launch_uris(app.get(), &uris, nullptr, &error))
        return fromError(error);
    return {};
}

LaunchOutcome openPath(const QByteArray& path)
{
    if (auto gone = missing(path))
        return *gone;
    const GObjectPtr<GFile> file(g_file_new_for_path(path.constData()));
    GError* error = nullptr;
    const GObjectPtr<GFileInfo> info(g_file_query_info(file.get(),
                                                       G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                       G_FILE_QUERY_INFO_NONE, nullptr, &error));
    if (!info)
        return fromError(error);
    const char* type = g_file_info_get_content_type(info.get());
    const GObjectPtr<GAppInfo> app(type ? g_app_info_get_default_for_type(type, FALSE) : nullptr);
    if (!app)
        return {LaunchError::NoAssociation, {}};
    return launchFiles(app.get(), file.get());
}
} // namespace

LaunchOutcome openWithDefault(const QByteArray& target)
{
    if (const auto path = pathFromFileUri(target))
        return openPath(*path);
    if (isLocalFileUri(target)) // names no path a file can have
        return {LaunchError::FileNotFound, {}};
    if (isAddress(target))
        return openAddress(target);
    return openPath(target);
}

LaunchOutcome openWithApplication(const QByteArray& appId, const QByteArray& path)
{
    if (auto gone = missing(path))
        return *gone;
    const GObjectPtr<GDesktopAppInfo> app(g_desktop_app_info_new(appId.constData()));
    if (!app)
        return {LaunchError::NoAssociation, {}};
    const GObjectPtr<GFile> file(g_file_new_for_path(path.constData()));
    return launchFiles(G_APP_INFO(app.get()), file.get());
}

namespace {

/// Why the command of a launcher's TryExec or Exec cannot be run, or "" when it can: GIO
/// refuses such a launcher without saying why.
QString runFault(GKeyFile* file, const char* key)
{
    const GCharPtr value(g_key_file_get_string(file, G_KEY_FILE_DESKTOP_GROUP, key, nullptr));
    if (!value)
        return {};
    // TryExec names one program, blanks and all; only Exec is a command line.
    if (std::strcmp(key, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC) == 0) {
        const GCharPtr found(g_find_program_in_path(value.get()));
        return found ? QString()
                     : QStringLiteral("The program the launcher needs was not found: ") +
                           QString::fromUtf8(value.get());
    }
    gchar** argv = nullptr;
    GError* error = nullptr;
    if (!g_shell_parse_argv(value.get(), nullptr, &argv, &error)) {
        const GErrorPtr owned(error);
        return QStringLiteral("The launcher's command cannot be read: ") +
               QString::fromUtf8(owned ? owned->message : "unknown error");
    }
    const QString program = QString::fromUtf8(argv[0]);
    const GCharPtr found(g_find_program_in_path(argv[0]));
    g_strfreev(argv);
    return found ? QString()
                 : QStringLiteral("The program the launcher starts was not found: ") + program;
}

/// What is wrong with the launcher at `path`, in words for the user, or std::nullopt when
/// nothing is found wrong: GIO refuses a faulty launcher, or fails to start it, with no word
/// or only GLib's own words.
std::optional<QString> launcherFault(const QByteArray& path)
{
    GKeyFile* raw = g_key_file_new();
    const std::unique_ptr<GKeyFile, decltype(&g_key_file_free)> file(raw, &g_key_file_free);
    GError* error = nullptr;
    if (!g_key_file_load_from_file(raw, path.constData(), G_KEY_FILE_NONE, &error)) {
        const GErrorPtr owned(error);
        return QStringLiteral("The launcher cannot be read: ") +
               QString::fromUtf8(owned ? owned->message : "unknown error");
    }
    if (!g_key_file_has_group(raw, G_KEY_FILE_DESKTOP_GROUP))
        return QStringLiteral("The launcher has no [Desktop Entry] group.");
    for (const char* key : {G_KEY_FILE_DESKTOP_KEY_TRY_EXEC, G_KEY_FILE_DESKTOP_KEY_EXEC}) {
        if (const QString fault = runFault(raw, key); !fault.isEmpty())
            return fault;
    }
    if (!g_key_file_has_key(raw, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr))
        return QStringLiteral("The launcher names no program to start (no Exec line).");
    return std::nullopt;
}

} // namespace

LaunchOutcome startLauncher(const QByteArray& path)
{
    if (auto gone = missing(path))
        return *gone;
    const GObjectPtr<GDesktopAppInfo> app(g_desktop_app_info_new_from_filename(path.constData()));
    if (!app) {
        return generalFailure(launcherFault(path).value_or(
            QStringLiteral("The launcher is not a valid desktop entry.")));
    }
    GError* error = nullptr;
    if (!g_app_info_launch(G_APP_INFO(app.get()), nullptr, nullptr, &error)) {
        if (error && !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND)) {
            if (const std::optional<QString> fault = launcherFault(path)) {
                g_error_free(error);
                return generalFailure(*fault);
            }
        }
        return fromError(error);
    }
    return {};
}

QString launchErrorText(const LaunchOutcome& outcome)
{
    QString description;
    switch (outcome.errorCode) {
    case LaunchError::NoAssociation:
        description = QStringLiteral("No application is associated with the specified file.");
        break;
    case LaunchError::FileNotFound:
        description = QStringLiteral("File no longer exists.");
        break;
    default:
        // The system's own words say more than "Unknown" when there are any.
        description = outcome.detail.isEmpty() ? QStringLiteral("Unknown") : outcome.detail;
        break;
    }
    return u"There was an error launching the file.\r\n\r\nError Code: " +
           QString::number(outcome.errorCode) + u"\r\n\r\nDescription: " + description;
}

QString launchErrorTitle()
{
    return QStringLiteral("Oops!");
}

bool LaunchFile(Prompt& prompt, const QByteArray& target)
{
    const LaunchOutcome outcome = openWithDefault(target);
    if (outcome.ok())
        return true;
    reportLaunchFailure(prompt, outcome);
    return false;
}

void reportLaunchFailure(Prompt& prompt, const LaunchOutcome& outcome)
{
    prompt.MsgBox(launchErrorText(outcome), MsgStyle::OkOnly + MsgStyle::Critical,
                  launchErrorTitle());
}
