// The tests' data folders are private; the type and icon lookups still need the system's
// MIME database and icon themes, so these are linked (read-only) into the private folder.
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class SystemTypes final : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QString first =
            qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts).value(0);
        ASSERT_FALSE(first.isEmpty());
        ASSERT_TRUE(QDir().mkpath(first));
        for (const char* name : {"mime", "icons"}) {
            const QString link = first + u'/' + QLatin1String(name);
            const QString target = u"/usr/share/" + QLatin1String(name);
            if (!QFile::exists(link) && QFile::exists(target))
                QFile::link(target, link);
        }
    }
};

const auto* const systemTypes = ::testing::AddGlobalTestEnvironment(new SystemTypes);

} // namespace
