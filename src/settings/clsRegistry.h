#pragma once

#include "platform/RegistryHive.h"

#include <QString>
#include <QStringList>
#include <QVariant>

/// Typed access to any key under any root key. Holds no state: every call opens the keys it
/// needs and closes them again. Every call made without a root key (`eKeyType` 0) does
/// nothing and reports failure.
///
/// Name lists are QStringLists indexed from 0: the name the original kept at index i is at
/// i - 1 here, and the list is empty exactly when the count is 0.
class clsRegistry final {
public:
    /// Fills `sArraySubKeys` with the names of the direct sub-keys of `sKeyPath`, in the
    /// hive's case-insensitive name order, and returns their count; 0 with an empty list when
    /// there are none or the key cannot be opened. A name of 255 or more characters ends the
    /// listing early.
    qint32 EnumKeys(QStringList& sArraySubKeys, const QString& sKeyPath, HKEY eKeyType = 0) const;

    /// As EnumKeys, for the names of the key's values in creation order (the default value
    /// as "").
    qint32 EnumValues(QStringList& asValues, const QString& sKeyPath, HKEY eKeyType = 0) const;

    /// Deletes the direct sub-key `sSubKey` of `sKeyPath` (which must have no sub-keys), or
    /// with `sSubKey` empty the key `sKeyPath` itself and everything below it, deepest first.
    /// One trailing "\" of `sKeyPath` is ignored. True when the final deletion succeeded.
    bool DeleteKey(const QString& sKeyPath, const QString& sSubKey = QString(),
                   HKEY eKeyType = 0) const;

    /// Deletes one value; one trailing "\" of `sKeyPath` is ignored. True on success.
    bool DeleteValue(const QString& sKeyPath, const QString& sValue, HKEY eKeyType = 0) const;

    /// The value typed by its registry type: QString for REG_SZ, QByteArray for REG_BINARY,
    /// qint32 for any other type of at most 4 bytes. `vDefault` when the key or value cannot
    /// be read, the value is empty or longer than 4 bytes of another type. An invalid
    /// QVariant stands for an omitted default.
    QVariant LoadValue(const QString& sKeyPath, const QString& sItemName,
                       const QVariant& vDefault = QVariant(), HKEY eKeyType = 0) const;

    /// Writes a value, creating the key when needed; one leading "\" of `sKeyPath` is
    /// ignored. A QString is written as REG_SZ; a QByteArray as REG_BINARY; any other value
    /// as a 32-bit integer: REG_DWORD with `bSaveDWORDValue`, else REG_BINARY of its four
    /// little-endian bytes. Returns TRUE ON FAILURE and false when the value was written.
    bool SaveValue(const QString& sKeyPath, const QString& sItemName, const QVariant& vStoreValue,
                   HKEY eKeyType = 0, bool bSaveDWORDValue = false) const;

    /// Whether the key exists (and can be read).
    bool KeyExists(const QString& sKeyPath, HKEY eKeyType = 0) const;

private:
    qint32 ReadTypedValue(HKEY hKey, const QString& sValueName, QVariant& vValue,
                          const QVariant& vDefault) const;
};
