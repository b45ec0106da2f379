#include "clsRegistry.h"

#include <limits>

namespace {

/// Name lists grow by this many entries at a time.
constexpr qsizetype kListStep = 200;
/// The name buffer of the listings, in characters including the terminating NUL.
constexpr std::uint32_t kNameBuffer = 255;

QString dropTrailingBackslash(const QString& path)
{
    return path.endsWith(u'\\') ? path.chopped(1) : path;
}

QString dropLeadingBackslash(const QString& path)
{
    return path.startsWith(u'\\') ? path.mid(1) : path;
}

/// Opens a key; 0 when no handle came back (which is how the callers judge success).
HKEY openKey(HKEY root, const QString& path, REGSAM access)
{
    if (root == 0)
        return 0;
    HKEY key = 0;
    RegOpenKeyEx(root, path, access, &key);
    return key;
}

/// Grows a list in steps, as the names come in.
void appendStepped(QStringList& list, const QString& name)
{
    if (list.size() == list.capacity())
        list.reserve(list.size() + kListStep);
    list.append(name);
}

/// The value as a 32-bit integer; nothing when it is not a number in range of a signed or
/// unsigned 32-bit integer.
std::optional<std::uint32_t> toUInt32(const QVariant& value)
{
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    qlonglong number = 0;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        number = qRound64(value.toDouble(&ok));
    else
        number = value.toLongLong(&ok);
    if (!ok || number < std::numeric_limits<qint32>::min() ||
        number > qlonglong(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    return std::uint32_t(number);
}

} // namespace

qint32 clsRegistry::EnumKeys(QStringList& sArraySubKeys, const QString& sKeyPath,
                             HKEY eKeyType) const
{
    sArraySubKeys.clear();
    const HKEY key = openKey(eKeyType, sKeyPath, KEY_READ);
    if (key == 0)
        return 0;
    sArraySubKeys.reserve(kListStep);
    for (std::uint32_t index = 0;; ++index) {
        QString name;
        std::uint32_t length = kNameBuffer;
        if (RegEnumKeyEx(key, index, &name, &length) != ERROR_SUCCESS)
            break;
        appendStepped(sArraySubKeys, name);
    }
    RegCloseKey(key);
    sArraySubKeys.squeeze();
    return qint32(sArraySubKeys.size());
}

qint32 clsRegistry::EnumValues(QStringList& asValues, const QString& sKeyPath, HKEY eKeyType) const
{
    asValues.clear();
    const HKEY key = openKey(eKeyType, sKeyPath, KEY_READ);
    if (key == 0)
        return 0;
    asValues.reserve(kListStep);
    for (std::uint32_t index = 0;; ++index) {
        QString name;
        std::uint32_t length = kNameBuffer;
        if (RegEnumValue(key, index, &name, &length, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        appendStepped(asValues, name);
    }
    RegCloseKey(key);
    asValues.squeeze();
    return qint32(asValues.size());
}

bool clsRegistry::DeleteKey(const QString& sKeyPath, const QString& sSubKey, HKEY eKeyType) const
{
    const QString path = dropTrailingBackslash(sKeyPath);
    const HKEY key = openKey(eKeyType, path, KEY_ALL_ACCESS);
    if (key == 0)
        return false;
    // One file write for the whole subtree instead of one per key.
    RegistryBatch batch;
    bool deleted = false;
    if (!sSubKey.isEmpty()) {
        deleted = RegDeleteKey(key, sSubKey) == ERROR_SUCCESS;
    } else {
        bool childrenGone = true;
        for (;;) {
            QString name;
            std::uint32_t length = kNameBuffer;
            if (RegEnumKeyEx(key, 0, &name, &length) != ERROR_SUCCESS)
                break;
            // A child that cannot be deleted would come back at index 0 for ever.
            if (!DeleteKey(path + u'\\' + name, QString(), eKeyType)) {
                childrenGone = false;
                break;
            }
        }
        deleted = childrenGone && RegDeleteKey(key, QString()) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return batch.commit() == ERROR_SUCCESS && deleted;
}

bool clsRegistry::DeleteValue(const QString& sKeyPath, const QString& sValue, HKEY eKeyType) const
{
    const HKEY key = openKey(eKeyType, dropTrailingBackslash(sKeyPath), KEY_ALL_ACCESS);
    if (key == 0)
        return false;
    const bool deleted = RegDeleteValue(key, sValue) == ERROR_SUCCESS;
    RegCloseKey(key);
    return deleted;
}

QVariant clsRegistry::LoadValue(const QString& sKeyPath, const QString& sItemName,
                                const QVariant& vDefault, HKEY eKeyType) const
{
    const HKEY key = openKey(eKeyType, sKeyPath, KEY_READ);
    if (key == 0)
        return vDefault;
    QVariant result;
    ReadTypedValue(key, sItemName, result, vDefault);
    RegCloseKey(key);
    return result;
}

qint32 clsRegistry::ReadTypedValue(HKEY hKey, const QString& sValueName, QVariant& vValue,
                                   const QVariant& vDefault) const
{
    vValue = vDefault;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    LSTATUS rc = RegQueryValueEx(hKey, sValueName, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type == REG_SZ || type == REG_BINARY) {
        if (size == 0) // an empty text or byte string reads as the default
            return ERROR_INVALID_PARAMETER;
        QByteArray data(qsizetype(size), '\0');
        rc = RegQueryValueEx(hKey, sValueName, nullptr, data.data(), &size);
        if (rc != ERROR_SUCCESS)
            return rc;
        data.truncate(qsizetype(size));
        if (type == REG_SZ)
            vValue = QString::fromUtf8(data.constData(), data.size() - 1);
        else
            vValue = data;
        return 0;
    }
    if (size > 4)
        return 0;
    unsigned char bytes[4] = {0, 0, 0, 0};
    rc = RegQueryValueEx(hKey, sValueName, nullptr, bytes, &size);
    if (rc != ERROR_SUCCESS)
        return rc;
    const std::uint32_t number = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                 std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
    vValue = qint32(number);
    return 0;
}

bool clsRegistry::SaveValue(const QString& sKeyPath, const QString& sItemName,
                            const QVariant& vStoreValue, HKEY eKeyType, bool bSaveDWORDValue) const
{
    if (eKeyType == 0)
        return true;
    const QString path = dropLeadingBackslash(sKeyPath);
    const bool isText = vStoreValue.typeId() == QMetaType::QString;
    const bool isBytes = vStoreValue.typeId() == QMetaType::QByteArray;

    // The bytes to write, settled before any key is made.
    std::uint32_t type = REG_SZ;
    QByteArray data;
    if (isText) {
        data = vStoreValue.toString().toUtf8() + '\0';
    } else if (isBytes && !bSaveDWORDValue) {
        type = REG_BINARY;
        data = vStoreValue.toByteArray();
    } else {
        const auto number = toUInt32(vStoreValue);
        if (!number)
            return true;
        type = bSaveDWORDValue ? REG_DWORD : REG_BINARY;
        for (int i = 0; i < 4; ++i)
            data += char((*number >> (8 * i)) & 0xff);
    }

    HKEY key = openKey(eKeyType, path, KEY_WRITE);
    if (key == 0) {
        const QString className = isText            ? QStringLiteral("REG_SZ")
                                  : bSaveDWORDValue ? QStringLiteral("REG_DWORD")
                                                    : QStringLiteral("REG_BINARY");
        if (RegCreateKeyEx(eKeyType, path, className, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS ||
            key == 0)
            return true;
    }
    const bool failed = RegSetValueEx(key, sItemName, type, data.constData(),
                                      std::uint32_t(data.size())) != ERROR_SUCCESS;
    RegCloseKey(key);
    return failed;
}

bool clsRegistry::KeyExists(const QString& sKeyPath, HKEY eKeyType) const
{
    const HKEY key = openKey(eKeyType, sKeyPath, KEY_READ);
    if (key == 0)
        return false;
    RegCloseKey(key);
    return true;
}
