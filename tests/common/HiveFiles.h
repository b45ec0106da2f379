#pragma once

// The settings file for the tests: read and written whole, and keys and values made through
// the registry calls, as another program might.

#include "platform/RegistryHive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

/// The HKEY_CURRENT_USER settings file.
inline QString hivePath()
{
    return RegHiveFilePath(HKEY_CURRENT_USER);
}

/// The whole file ("" when there is none).
inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

/// Writes `contents` to `path`, making its folder; whether that worked.
inline bool writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(contents) >= 0;
}

/// Opens (creating) a key below HKEY_CURRENT_USER with full access.
inline HKEY createKey(const QString& path)
{
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, {}, KEY_ALL_ACCESS, &key), ERROR_SUCCESS)
        << qPrintable(path);
    return key;
}

/// Sets a text value (its bytes and a NUL).
inline LSTATUS setText(HKEY key, const QString& name, const QByteArray& text)
{
    const QByteArray data = text + '\0';
    return RegSetValueEx(key, name, REG_SZ, data.constData(), std::uint32_t(data.size()));
}
