#include "RegistryHive.h"

#include "HiveFile.h"
#include "RegHiveFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString rootName(HKEY root)
{
    switch (root) {
    case HKEY_CLASSES_ROOT:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER:
        return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS:
        return QStringLiteral("HKEY_USERS");
    case HKEY_CURRENT_CONFIG:
        return QStringLiteral("HKEY_CURRENT_CONFIG");
    default:
        return QString();
    }
}

/// What identifies one version of the file on disk: a writer always renames a new file into
/// place, so inode, size and nanosecond times all change together.
struct FileStamp {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    static FileStamp of(const QString& path)
    {
        FileStamp s;
        struct stat st;
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0) // the entry, not a target
            return s;
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtime = st.st_mtim;
        s.ctime = st.st_ctim;
        return s;
    }
    bool operator==(const FileStamp& o) const
    {
        return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
               ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

/// One hive file and its last-read contents.
class Hive final {
public:
    Hive(QString path, QString rootName)
        : m_path(std::move(path))
        , m_rootName(std::move(rootName))
    {}
    Q_DISABLE_COPY_MOVE(Hive)

    /// The key tree, current with the file on disk (or ahead of it inside a batch).
    RegKey& root()
    {
        if (m_lockFd < 0 && (!m_loaded || FileStamp::of(m_path) != m_stamp))
            reload();
        return m_root;
    }

    /// Takes the file lock (once per batch) and re-reads the file under it if it changed.
    LSTATUS beginWrite()
    {
        if (m_lockFd >= 0)
            return ERROR_SUCCESS;
        QString error;
        if (!makePrivateFolder(QFileInfo(m_path).path(), &error))
            return writeFault(error);
        const int fd = openLockFile(m_path + u".lock", &error);
        if (fd < 0)
            return writeFault(error);
        int rc;
        do {
            rc = ::flock(fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(fd);
            return writeFault(QStringLiteral("Could not lock the settings file."));
        }
        m_lockFd = fd;
        removeStaleTemporaries(m_path);
        // Now that no one else can write, the file on disk is what to change.
        if (!m_loaded || FileStamp::of(m_path) != m_stamp)
            reload();
        return ERROR_SUCCESS;
    }

    /// Ends one change: writes the file now, or at the end of the batch.
    LSTATUS endWrite(bool changed, int batchDepth)
    {
        m_dirty = m_dirty || changed;
        if (batchDepth > 0)
            return ERROR_SUCCESS;
        return finish();
    }

    /// Writes pending changes (if any) and releases the lock.
    LSTATUS finish()
    {
        LSTATUS rc = ERROR_SUCCESS;
        if (m_dirty)
            rc = flush();
        m_dirty = false;
        if (rc != ERROR_SUCCESS)
            m_loaded = false; // drop the unwritten changes; the file is what counts
        if (m_lockFd >= 0) {
            ::flock(m_lockFd, LOCK_UN);
            ::close(m_lockFd);
            m_lockFd = -1;
        }
        return rc;
    }

    bool locked() const { return m_lockFd >= 0; }

    /// The damage message for the version on disk, once per version.
    QString takeDamageReport()
    {
        root();
        if (m_state == HiveFileState::Missing && !m_blockReported) {
            // Nothing to read. A file where the settings folder should be would otherwise be
            // told only when the settings are saved, long after the user set them.
            m_blockReported = true;
            return hiveFolderBlockedMessage(m_path);
        }
        if (!damaged() || m_reportedStamp == m_stamp)
            return {};
        m_reportedStamp = m_stamp;
        return hiveDamageMessage(m_path, m_state, m_damagedText, m_readError);
    }

    QString writeError() const { return m_writeError; }

private:
    /// Whether the version on disk was not read whole.
    bool damaged() const
    {
        return m_state != HiveFileState::Missing &&
               (m_state != HiveFileState::Read || m_damagedText);
    }

    void reload()
    {
        m_root = RegKey();
        m_loaded = true;
        m_stamp = FileStamp::of(m_path);
        HiveFileRead read;
        if (m_stamp.exists)
            read = readHiveFile(m_path);
        m_state = read.state;
        m_readError = read.error;
        m_damagedText =
            read.state == HiveFileState::Read && !regParseHive(read.text, m_rootName, m_root);
    }

    LSTATUS writeFault(const QString& error)
    {
        m_writeError = error;
        return ERROR_WRITE_FAULT;
    }

    LSTATUS flush()
    {
        QString error;
        // A damaged version is never replaced silently: it is kept aside once.
        if (damaged() && m_keptAside != m_stamp) {
            if (!keepHiveAside(m_path, m_state, &error))
                return writeFault(error);
            m_keptAside = m_stamp;
        }
        if (!replaceHiveFile(m_path, regWriteHive(m_root, m_rootName), &error))
            return writeFault(error);
        m_state = HiveFileState::Read;
        m_damagedText = false;
        m_stamp = FileStamp::of(m_path);
        m_writeError.clear();
        return ERROR_SUCCESS;
    }

    const QString m_path;
    const QString m_rootName;
    RegKey m_root;
    FileStamp m_stamp;
    FileStamp m_keptAside;     ///< the damaged version last kept aside
    FileStamp m_reportedStamp; ///< the damaged version last reported
    HiveFileState m_state = HiveFileState::Missing;
    int m_readError = 0;
    bool m_blockReported = false; ///< a file in the settings folder's place was looked for
    bool m_damagedText = false;
    bool m_loaded = false;
    bool m_dirty = false;
    int m_lockFd = -1;
    QString m_writeError;
};

struct Handle {
    Hive* hive = nullptr;
    QStringList path; ///< key names below the root
    REGSAM access = 0;
};

/// The process-wide state: the hives by file, the open handles and the batch depth.
struct Registry {
    QMutex mutex;
    std::map<QString, std::unique_ptr<Hive>> hives;
    std::map<HKEY, Handle> handles;
    HKEY nextHandle = 0x100;
    int batchDepth = 0;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

/// The handle behind `key`: a root key (full access, empty path) or an open handle.
std::optional<Handle> resolve(Registry& r, HKEY key)
{
    const QString name = rootName(key);
    if (!name.isEmpty()) {
        const QString path = RegHiveFilePath(key);
        auto& hive = r.hives[path];
        if (!hive)
            hive = std::make_unique<Hive>(path, name);
        return Handle{hive.get(), {}, KEY_ALL_ACCESS};
    }
    const auto it = r.handles.find(key);
    if (it == r.handles.end())
        return std::nullopt;
    return it->second;
}

/// Splits "a\b\c" into names; nothing when a part is not a valid key name.
std::optional<QStringList> splitPath(const QString& subKey)
{
    if (subKey.isEmpty())
        return QStringList();
    QStringList parts = subKey.split(u'\\');
    if (parts.size() > kMaxKeyDepth)
        return std::nullopt;
    for (const QString& part : parts) {
        if (!regIsValidKeyName(part))
            return std::nullopt;
    }
    return parts;
}

RegKey* find(RegKey& root, const QStringList& path)
{
    RegKey* key = &root;
    for (const QString& name : path) {
        key = key->child(name);
        if (!key)
            return nullptr;
    }
    return key;
}

HKEY addHandle(Registry& r, Hive* hive, const QStringList& path, REGSAM access)
{
    while (r.handles.count(r.nextHandle) || !rootName(r.nextHandle).isEmpty() || r.nextHandle == 0)
        ++r.nextHandle;
    const HKEY handle = r.nextHandle++;
    r.handles[handle] = Handle{hive, path, access};
    return handle;
}

/// Copies `bytes` out as the originals do: size only without a buffer, ERROR_MORE_DATA when
/// the buffer is too small.
LSTATUS copyOut(const QByteArray& bytes, void* data, std::uint32_t* size)
{
    if (!data) {
        if (size)
            *size = std::uint32_t(bytes.size());
        return ERROR_SUCCESS;
    }
    if (!size)
        return ERROR_INVALID_PARAMETER;
    const auto capacity = *size;
    *size = std::uint32_t(bytes.size());
    if (capacity < std::uint32_t(bytes.size()))
        return ERROR_MORE_DATA;
    if (!bytes.isEmpty())
        std::memcpy(data, bytes.constData(), size_t(bytes.size()));
    return ERROR_SUCCESS;
}

LSTATUS copyName(const QString& source, QString* name, std::uint32_t* nameChars)
{
    if (!nameChars)
        return ERROR_INVALID_PARAMETER;
    if (std::uint32_t(source.size()) + 1 > *nameChars)
        return ERROR_MORE_DATA;
    if (name)
        *name = source;
    *nameChars = std::uint32_t(source.size());
    return ERROR_SUCCESS;
}

/// The key behind an open handle, checked for the access a read needs (0: none), or the
/// error the call reports.
LSTATUS keyToRead(Registry& r, HKEY key, std::uint32_t access, const RegKey** out)
{
    const auto h = resolve(r, key);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (access && !(h->access & access))
        return ERROR_ACCESS_DENIED;
    *out = find(h->hive->root(), h->path);
    return *out ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

/// The handle behind an open `key` that may set values, or the error the call reports.
LSTATUS keyToWrite(Registry& r, HKEY key, Handle& out)
{
    const auto h = resolve(r, key);
    if (!h)
        return ERROR_INVALID_HANDLE;
    if (!(h->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    out = *h;
    return ERROR_SUCCESS;
}

/// The handle behind `key` and the full path of `subKey` below it, or the error the call
/// reports: `badName` when a part of `subKey` is no valid key name.
LSTATUS subKeyPath(Registry& r, HKEY key, const QString& subKey, LSTATUS badName, Handle& base,
                   QStringList& path)
{
    const auto h = resolve(r, key);
    if (!h)
        return ERROR_INVALID_HANDLE;
    const auto parts = splitPath(subKey);
    if (!parts)
        return badName;
    base = *h;
    path = h->path + *parts;
    return ERROR_SUCCESS;
}

/// One change of a hive: `check` runs before the lock is taken (a change that cannot happen
/// writes nothing) and again on the file as re-read under the lock; then `apply`, and the
/// file is written once.
template<typename Check, typename Apply>
LSTATUS changeHive(Registry& r, Hive& hive, Check check, Apply apply)
{
    if (const LSTATUS rc = check(); rc != ERROR_SUCCESS)
        return rc;
    if (const LSTATUS rc = hive.beginWrite(); rc != ERROR_SUCCESS)
        return rc;
    if (const LSTATUS rc = check(); rc != ERROR_SUCCESS) { // changed in the meantime
        hive.endWrite(false, r.batchDepth);
        return rc;
    }
    apply();
    return hive.endWrite(true, r.batchDepth);
}

} // namespace

QString RegHiveFilePath(HKEY root)
{
    const QString name = rootName(root);
    if (name.isEmpty())
        return QString();
    // Read each time: tests and a changed session may move the configuration folder.
    QString config = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + u"/.config";
    return config + u"/kestrelfind/" + name + u".reg";
}

LSTATUS RegOpenKeyEx(HKEY key, const QString& subKey, REGSAM access, HKEY* result)
{
    if (result)
        *result = 0;
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    Handle base;
    QStringList path;
    // A key whose name holds an invalid part cannot exist.
    if (const LSTATUS rc = subKeyPath(r, key, subKey, ERROR_FILE_NOT_FOUND, base, path);
        rc != ERROR_SUCCESS)
        return rc;
    if (!find(base.hive->root(), path))
        return ERROR_FILE_NOT_FOUND;
    if (result)
        *result = addHandle(r, base.hive, path, access);
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyEx(HKEY key, const QString& subKey, const QString& className, REGSAM access,
                       HKEY* result, std::uint32_t* disposition)
{
    Q_UNUSED(className);
    if (result)
        *result = 0;
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    Handle base;
    QStringList path;
    if (const LSTATUS rc = subKeyPath(r, key, subKey, ERROR_INVALID_PARAMETER, base, path);
        rc != ERROR_SUCCESS)
        return rc;
    if (path.size() > kMaxKeyDepth)
        return ERROR_INVALID_PARAMETER;
    Hive& hive = *base.hive;
    bool created = false;
    if (!find(hive.root(), path)) {
        if (const LSTATUS rc = hive.beginWrite(); rc != ERROR_SUCCESS)
            return rc;
        RegKey* k = find(hive.root(), base.path);
        if (!k) {
            hive.endWrite(false, r.batchDepth);
            return ERROR_KEY_DELETED;
        }
        for (const QString& name : path.mid(base.path.size())) {
            if (!k->child(name))
                created = true;
            k = k->ensureChild(name);
        }
        if (const LSTATUS rc = hive.endWrite(created, r.batchDepth); rc != ERROR_SUCCESS)
            return rc;
    }
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    if (result)
        *result = addHandle(r, &hive, path, access);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key)
{
    if (!rootName(key).isEmpty())
        return ERROR_SUCCESS;
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return r.handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueEx(HKEY key, const QString& valueName, std::uint32_t* type, void* data,
                        std::uint32_t* size)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    const RegKey* k = nullptr;
    if (const LSTATUS rc = keyToRead(r, key, KEY_QUERY_VALUE, &k); rc != ERROR_SUCCESS)
        return rc;
    const int i = k->valueIndex(valueName);
    if (i < 0)
        return ERROR_FILE_NOT_FOUND;
    const RegValue& value = k->values[size_t(i)];
    if (type)
        *type = value.type;
    return copyOut(value.data, data, size);
}

LSTATUS RegSetValueEx(HKEY key, const QString& valueName, std::uint32_t type, const void* data,
                      std::uint32_t size)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    Handle h;
    if (const LSTATUS rc = keyToWrite(r, key, h); rc != ERROR_SUCCESS)
        return rc;
    if (!regIsValidValueName(valueName) || (size > 0 && !data))
        return ERROR_INVALID_PARAMETER;
    Hive& hive = *h.hive;
    return changeHive(
        r, hive, [&] { return find(hive.root(), h.path) ? ERROR_SUCCESS : ERROR_KEY_DELETED; },
        [&] {
            find(hive.root(), h.path)
                ->setValue(valueName, type,
                           QByteArray(static_cast<const char*>(data), qsizetype(size)));
        });
}

LSTATUS RegDeleteValue(HKEY key, const QString& valueName)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    Handle h;
    if (const LSTATUS rc = keyToWrite(r, key, h); rc != ERROR_SUCCESS)
        return rc;
    Hive& hive = *h.hive;
    const auto check = [&]() -> LSTATUS {
        const RegKey* k = find(hive.root(), h.path);
        if (!k)
            return ERROR_KEY_DELETED;
        return k->valueIndex(valueName) < 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
    };
    return changeHive(r, hive, check, [&] { find(hive.root(), h.path)->removeValue(valueName); });
}

LSTATUS RegDeleteKey(HKEY key, const QString& subKey)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    Handle h;
    QStringList path;
    if (const LSTATUS rc = subKeyPath(r, key, subKey, ERROR_FILE_NOT_FOUND, h, path);
        rc != ERROR_SUCCESS)
        return rc;
    if (path.isEmpty())
        return ERROR_ACCESS_DENIED; // a root key cannot be deleted
    Hive& hive = *h.hive;
    const auto check = [&]() -> LSTATUS {
        const RegKey* k = find(hive.root(), path);
        if (!k)
            return ERROR_FILE_NOT_FOUND;
        return k->subKeys.empty() ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
    };
    return changeHive(r, hive, check, [&] {
        find(hive.root(), path.mid(0, path.size() - 1))->removeChild(path.back());
    });
}

LSTATUS RegEnumKeyEx(HKEY key, std::uint32_t index, QString* name, std::uint32_t* nameChars)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    const RegKey* k = nullptr;
    if (const LSTATUS rc = keyToRead(r, key, KEY_ENUMERATE_SUB_KEYS, &k); rc != ERROR_SUCCESS)
        return rc;
    const RegKey* child = k->childAt(index);
    if (!child)
        return ERROR_NO_MORE_ITEMS;
    return copyName(child->name, name, nameChars);
}

LSTATUS RegEnumValue(HKEY key, std::uint32_t index, QString* name, std::uint32_t* nameChars,
                     std::uint32_t* type, void* data, std::uint32_t* dataSize)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    const RegKey* k = nullptr;
    if (const LSTATUS rc = keyToRead(r, key, KEY_QUERY_VALUE, &k); rc != ERROR_SUCCESS)
        return rc;
    if (index >= k->values.size())
        return ERROR_NO_MORE_ITEMS;
    const RegValue& value = k->values[index];
    if (const LSTATUS rc = copyName(value.name, name, nameChars); rc != ERROR_SUCCESS)
        return rc;
    if (type)
        *type = value.type;
    if (data || dataSize)
        return copyOut(value.data, data, dataSize);
    return ERROR_SUCCESS;
}

LSTATUS RegQueryInfoKey(HKEY key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                        std::uint32_t* values, std::uint32_t* maxValueNameLength,
                        std::uint32_t* maxValueLength)
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    const RegKey* k = nullptr;
    if (const LSTATUS rc = keyToRead(r, key, 0, &k); rc != ERROR_SUCCESS)
        return rc;
    std::uint32_t longestKey = 0, longestName = 0, longestData = 0;
    for (const auto& [folded, child] : k->subKeys)
        longestKey = std::max(longestKey, std::uint32_t(child->name.size()));
    for (const RegValue& value : k->values) {
        longestName = std::max(longestName, std::uint32_t(value.name.size()));
        longestData = std::max(longestData, std::uint32_t(value.data.size()));
    }
    if (subKeys)
        *subKeys = std::uint32_t(k->subKeys.size());
    if (maxSubKeyLength)
        *maxSubKeyLength = longestKey;
    if (values)
        *values = std::uint32_t(k->values.size());
    if (maxValueNameLength)
        *maxValueNameLength = longestName;
    if (maxValueLength)
        *maxValueLength = longestData;
    return ERROR_SUCCESS;
}

RegistryBatch::RegistryBatch()
{
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    ++r.batchDepth;
}

RegistryBatch::~RegistryBatch()
{
    commit();
}

LSTATUS RegistryBatch::commit()
{
    if (m_done)
        return ERROR_SUCCESS;
    m_done = true;
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    if (--r.batchDepth > 0)
        return ERROR_SUCCESS;
    LSTATUS result = ERROR_SUCCESS;
    for (auto& [path, hive] : r.hives) {
        if (hive->locked()) {
            if (const LSTATUS rc = hive->finish(); rc != ERROR_SUCCESS)
                result = rc;
        }
    }
    return result;
}

QString RegTakeHiveDamageReport(HKEY root)
{
    if (rootName(root).isEmpty())
        return {};
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return resolve(r, root)->hive->takeDamageReport();
}

QString RegHiveWriteError(HKEY root)
{
    if (rootName(root).isEmpty())
        return {};
    Registry& r = registry();
    QMutexLocker lock(&r.mutex);
    return resolve(r, root)->hive->writeError();
}
