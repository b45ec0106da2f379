// Speed of the settings store on a hive of 500 values: reads, single writes, and the 45
// writes of one settings save, each write on its own and collected in a RegistryBatch.
// Runs in a private temporary configuration folder; never touches the user's own.
#include "platform/RegistryHive.h"
#include "settings/CRegSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kSections = 10;
constexpr int kValuesPerSection = 50;

QString section(int i)
{
    return QStringLiteral("Section %1").arg(i % kSections);
}

QString key(int i)
{
    return QStringLiteral("Key %1").arg(i % kValuesPerSection);
}

/// Runs `work` `rounds` times and returns the median time in milliseconds.
double medianMs(int rounds, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir config;
    if (!config.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    CRegSettings store = CRegSettings::forProgram();
    {
        RegistryBatch batch;
        for (int i = 0; i < kSections * kValuesPerSection; ++i)
            store.SaveSetting(QStringLiteral("Section %1").arg(i / kValuesPerSection),
                              QStringLiteral("Key %1").arg(i % kValuesPerSection),
                              QStringLiteral("some stored text %1").arg(i));
        if (batch.commit() != ERROR_SUCCESS) {
            std::fprintf(stderr, "cannot write the hive\n");
            return 2;
        }
    }
    std::printf("hive: 500 values, %lld bytes\n",
                qint64(QFileInfo(RegHiveFilePath(HKEY_CURRENT_USER)).size()));

    int misses = 0;
    const double reads = medianMs(5, [&] {
        for (int i = 0; i < 1000; ++i) {
            if (store.GetSetting(section(i), key(i * 7)).isEmpty())
                ++misses;
        }
    });
    std::printf("1000 GetSetting:                %8.2f ms (%.1f us each)\n", reads, reads);

    int failures = 0;
    const double writes = medianMs(3, [&] {
        for (int i = 0; i < 100; ++i)
            failures += !store.SaveSetting(section(i), key(i), QString::number(i));
    });
    std::printf("100 SaveSetting:                %8.2f ms (%.2f ms each)\n", writes, writes / 100);

    const auto settingsSave = [&] {
        for (int i = 0; i < 45; ++i)
            failures += !store.SaveSetting(QStringLiteral("Window Settings"), key(i),
                                           QString::number(i * 15));
    };
    const double save = medianMs(5, settingsSave);
    std::printf("45 SaveSetting, one by one:     %8.2f ms\n", save);
    const double batched = medianMs(5, [&] {
        RegistryBatch batch;
        settingsSave();
        failures += batch.commit() != ERROR_SUCCESS;
    });
    std::printf("45 SaveSetting in one batch:    %8.2f ms\n", batched);

    if (misses || failures) {
        std::fprintf(stderr, "%d reads missed, %d writes failed\n", misses, failures);
        return 1;
    }
    return 0;
}
