#pragma once

// A stand-in for the Windows registry functions, backed by one registry-export text file per
// root key in $XDG_CONFIG_HOME/kestrelfind. The calls mirror RegOpenKeyEx & co.: handles,
// result codes, buffer sizes and the "ask for the size, then read" pattern behave as the
// callers expect. Text is UTF-8 where the originals used the ANSI code page.
//
// Every write re-reads the file under a lock shared by all processes of the user and then
// replaces it atomically; reads come from memory only while the file is unchanged on disk.
// Only a regular file of at most 64 MB is read, never through a link; anything else at its
// path counts as damaged: the defaults are used, the user is told once, and the entry is kept
// aside (".bad") before the first write, which never writes through a link either.
// All functions are thread-safe.

#include <QByteArray>
#include <QString>

#include <cstdint>

using HKEY = std::uint32_t;
using REGSAM = std::uint32_t;
using LSTATUS = std::int32_t;

// Root keys.
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

// Value types; any other number is kept as its bytes.
constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;

// Access rights.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Result codes.
constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2; ///< missing key or value
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;  ///< also: deleting a key that has sub-keys
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_WRITE_FAULT = 29;       ///< the hive file could not be written
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87; ///< a name the hive cannot hold
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
constexpr LSTATUS ERROR_KEY_DELETED = 1018; ///< the open key was deleted meanwhile

// RegCreateKeyEx dispositions.
constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

/// Longest key name (in characters) the hive accepts, as on the original system.
constexpr int kMaxKeyNameLength = 255;
/// Deepest key path the hive accepts.
constexpr int kMaxKeyDepth = 512;

/// Opens `subKey` ("a\b\c", "" for `key` itself) below an open or root key; on success stores
/// a new handle in `*result` (0 on failure) and returns ERROR_SUCCESS, else 2, 6 or 87.
LSTATUS RegOpenKeyEx(HKEY key, const QString& subKey, REGSAM access, HKEY* result);

/// Opens `subKey`, creating it and any missing keys above it (which writes the hive file);
/// `*disposition` (may be null) tells which happened. `className` is accepted and ignored.
LSTATUS RegCreateKeyEx(HKEY key, const QString& subKey, const QString& className, REGSAM access,
                       HKEY* result, std::uint32_t* disposition = nullptr);

/// Releases a handle; root keys may be closed without effect. ERROR_INVALID_HANDLE if unknown.
LSTATUS RegCloseKey(HKEY key);

/// Reads value `valueName` ("" for the default value). `type`, `data` and `size` may be null.
/// With `data` null, `*size` receives the byte count; with a buffer smaller than `*size`
/// returns ERROR_MORE_DATA and sets `*size` to what is needed.
LSTATUS RegQueryValueEx(HKEY key, const QString& valueName, std::uint32_t* type, void* data,
                        std::uint32_t* size);

/// Writes value `valueName` ("" for the default value) of any type with `size` bytes from
/// `data`; writes the hive file. ERROR_WRITE_FAULT when the file could not be written.
LSTATUS RegSetValueEx(HKEY key, const QString& valueName, std::uint32_t type, const void* data,
                      std::uint32_t size);

/// Deletes one value; ERROR_FILE_NOT_FOUND when it does not exist.
LSTATUS RegDeleteValue(HKEY key, const QString& valueName);

/// Deletes `subKey` below `key` ("" deletes `key` itself); ERROR_ACCESS_DENIED when it still
/// has sub-keys, ERROR_FILE_NOT_FOUND when it does not exist.
LSTATUS RegDeleteKey(HKEY key, const QString& subKey);

/// The name of the sub-key at `index` in case-insensitive name order. `*nameChars` is the
/// buffer size in characters including room for a NUL; on success it receives the name's
/// length. ERROR_MORE_DATA when the name does not fit, ERROR_NO_MORE_ITEMS past the end.
LSTATUS RegEnumKeyEx(HKEY key, std::uint32_t index, QString* name, std::uint32_t* nameChars);

/// The value at `index` in creation order: name as in RegEnumKeyEx, and type and data as in
/// RegQueryValueEx (each out-argument may be null).
LSTATUS RegEnumValue(HKEY key, std::uint32_t index, QString* name, std::uint32_t* nameChars,
                     std::uint32_t* type, void* data, std::uint32_t* dataSize);

/// Counts and longest lengths of a key's sub-keys and values (characters for names, bytes for
/// data); every out-argument may be null.
LSTATUS RegQueryInfoKey(HKEY key, std::uint32_t* subKeys, std::uint32_t* maxSubKeyLength,
                        std::uint32_t* values, std::uint32_t* maxValueNameLength,
                        std::uint32_t* maxValueLength);

/// The hive file of a root key (for HKEY_CURRENT_USER
/// "$XDG_CONFIG_HOME/kestrelfind/HKEY_CURRENT_USER.reg"), or "" for an unknown root.
QString RegHiveFilePath(HKEY root);

/// Once per damaged version of a root's hive file: a message for the user saying what is
/// wrong with the file (not a regular file, too large, unreadable, partly unreadable) and
/// what the program does about it; "" when the file is whole or missing, or when this
/// version was already reported. Reads the file if it was not read yet.
QString RegTakeHiveDamageReport(HKEY root);

/// Why the last write of a root's hive file failed, for the user; "" after a write that
/// succeeded (or before any write).
QString RegHiveWriteError(HKEY root);

/// Collects the writes made while it lives (by any code of this process) into a single file
/// write per hive: from the first write until the batch ends this process holds the hive's
/// lock, so other processes' writes wait rather than interleave. Writes inside a batch report
/// success; a failure shows in commit(). Nested batches join the outermost one.
class RegistryBatch final {
public:
    RegistryBatch();
    /// Commits unless commit() was called.
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

    /// Writes the collected changes (the outermost batch only) and releases the lock; returns
    /// ERROR_SUCCESS or ERROR_WRITE_FAULT, in which case the collected changes are dropped.
    LSTATUS commit();

private:
    bool m_done = false;
};
