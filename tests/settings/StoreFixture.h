#pragma once

// Shared helpers for the settings tests: raw values, a settings folder that cannot be
// written, and a private home with the program's store.

#include "HiveFiles.h"
#include "TempHome.h"
#include "settings/CRegSettings.h"
#include "settings/SearchScope.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

/// Readable test failures for the values compared here.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const AltFolder& folder, std::ostream* os)
{
    *os << '{' << '"' << folder.path.toStdString() << '"' << (folder.ticked ? ", ticked}" : "}");
}

namespace StoreFixture {

inline const QString kAppKey = QStringLiteral("Software\\Willow Brookes\\Kestrelfind");

/// Writes a raw value under the application key + "\" + section, as another program might.
inline void setRaw(const QString& section, const QString& name, std::uint32_t type,
                   const QByteArray& data)
{
    const HKEY key = createKey(kAppKey + u'\\' + section);
    ASSERT_EQ(RegSetValueEx(key, name, type, data.constData(), std::uint32_t(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

/// While alive, a plain file stands where the settings folder was, so every write fails
/// (permissions would not stop root). The folder and its file come back afterwards.
class BlockedConfigFolder final {
public:
    BlockedConfigFolder()
        : m_dir(QFileInfo(hivePath()).path())
    {
        m_moved = QDir().rename(m_dir, m_dir + QStringLiteral(".aside"));
        EXPECT_TRUE(writeFile(m_dir, "in the way"));
    }
    ~BlockedConfigFolder()
    {
        QFile::remove(m_dir);
        if (m_moved)
            QDir().rename(m_dir + QStringLiteral(".aside"), m_dir);
    }
    Q_DISABLE_COPY_MOVE(BlockedConfigFolder)

private:
    QString m_dir;
    bool m_moved = false;
};

/// A private home and the program's settings store in it.
class StoreTest : public ::testing::Test {
protected:
    /// Saves a text setting, failing the test when that does not work.
    void put(const QString& section, const QString& key, const QString& value)
    {
        ASSERT_TRUE(store.SaveSetting(section, key, value));
    }

    TempHome home;
    CRegSettings store = CRegSettings::forProgram();
};

} // namespace StoreFixture
