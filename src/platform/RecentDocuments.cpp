#include "RecentDocuments.h"

#include "FileUri.h"
#include "GioPointers.h"

#include <algorithm>

namespace {
struct BookmarkFileFree {
    void operator()(GBookmarkFile* file) const { g_bookmark_file_free(file); }
};

QByteArray mimeTypeOf(const QByteArray& path)
{
    const GObjectPtr<GFile> file(g_file_new_for_path(path.constData()));
    const GObjectPtr<GFileInfo> info(g_file_query_info(file.get(),
                                                       G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                       G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    const char* type = info ? g_file_info_get_content_type(info.get()) : nullptr;
    const GCharPtr mime(type ? g_content_type_get_mime_type(type) : nullptr);
    return mime ? QByteArray(mime.get()) : QByteArray("application/octet-stream");
}

/// Loads the existing file; an empty or missing one starts a new list. False when the file
/// is there but damaged or unreadable, so that it is never overwritten.
bool load(GBookmarkFile* bookmarks, const QByteArray& fileName)
{
    gchar* contents = nullptr;
    gsize length = 0;
    GError* raw = nullptr;
    if (!g_file_get_contents(fileName.constData(), &contents, &length, &raw)) {
        const GErrorPtr error(raw);
        return g_error_matches(error.get(), G_FILE_ERROR, G_FILE_ERROR_NOENT);
    }
    const GCharPtr owned(contents);
    if (length == 0)
        return true;
    GError* parseError = nullptr;
    const bool loaded = g_bookmark_file_load_from_data(bookmarks, contents, length, &parseError);
    g_clear_error(&parseError);
    return loaded;
}
} // namespace

QByteArray recentDocumentsFile()
{
    return QByteArray(g_get_user_data_dir()).append("/recently-used.xbel");
}

bool addToRecentDocuments(const QList<QByteArray>& targets)
{
    if (std::all_of(targets.cbegin(), targets.cend(),
                    [](const QByteArray& target) { return target.isEmpty(); }))
        return false;
    const std::unique_ptr<GBookmarkFile, BookmarkFileFree> bookmarks(g_bookmark_file_new());
    const QByteArray fileName = recentDocumentsFile();
    if (!load(bookmarks.get(), fileName))
        return false;
    for (const QByteArray& target : targets) {
        if (target.isEmpty())
            continue;
        QByteArray uri = target;
        QByteArray mime("application/octet-stream");
        if (const auto path = pathFromFileUri(target)) {
            mime = mimeTypeOf(*path);
        } else if (!isAddress(target)) {
            uri = fileUri(target);
            mime = mimeTypeOf(target);
        }
        g_bookmark_file_set_mime_type(bookmarks.get(), uri.constData(), mime.constData());
        // The command that opens the item again as Kestrelfind opened it: with its default
        // application. The window itself takes no file to open.
        g_bookmark_file_add_application(bookmarks.get(), uri.constData(), "Kestrelfind",
                                        "gio open %u");
    }
    g_mkdir_with_parents(g_get_user_data_dir(), 0700);
    GError* raw = nullptr;
    const bool written = g_bookmark_file_to_file(bookmarks.get(), fileName.constData(), &raw);
    g_clear_error(&raw);
    return written;
}
