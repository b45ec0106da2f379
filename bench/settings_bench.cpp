// Speed of the settings store on a hive of 500 values: reads, single writes, and the 45
// writes of one settings save, each write on its own and collected in a RegistryBatch; then
// the parse of large files of several shapes (many values in one key, many keys, long binary
// values, deep keys), up to one just under the size cap.
// Runs in a private temporary configuration folder; never touches the user's own.
#include "platform/RegHiveFormat.h"
#include "platform/RegistryHive.h"
#include "settings/CRegSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
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

/// A hive text of about `bytes` bytes, one of the shapes below.
QByteArray hiveText(int shape, qsizetype bytes)
{
    QByteArray text = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Bench]\n";
    text.reserve(bytes + 4096);
    const QByteArray deep = QByteArray("\\Level").repeated(40);
    for (int i = 0; text.size() < bytes; ++i) {
        const QByteArray n = QByteArray::number(i);
        switch (shape) {
        case 0: // one key with many values
            text += "\"Value " + n + "\"=\"some stored text " + n + "\"\n";
            break;
        case 1: // many keys with two values each
            text += "\n[HKEY_CURRENT_USER\\Software\\Bench\\Key " + n + "]\n\"a\"=\"" + n +
                    "\"\n\"b\"=dword:0000002a\n";
            break;
        case 2: // long binary values over continuation lines
            text += "\"Blob " + n + "\"=hex:";
            for (int line = 0; line < 40; ++line)
                text +=
                    "01,23,45,67,89,ab,cd,ef,01,23,45,67,89,ab,cd,ef,01,23,45,67,89,ab,cd,\\\n  ";
            text += "ff\n";
            break;
        default: // deep keys
            text += "\n[HKEY_CURRENT_USER\\Software\\Bench" + deep + "\\K" + n + "]\n\"v\"=\"" + n +
                    "\"\n";
            break;
        }
    }
    return text;
}

/// Times the parse of each shape at 10 MB, and of the first shape just under the cap, both
/// alone and as the store reads the file; false when a text does not parse whole.
bool benchParse()
{
    const char* const shapes[] = {"values in one key", "keys", "binary values", "deep keys"};
    const QString root = QStringLiteral("HKEY_CURRENT_USER");
    bool ok = true;
    for (int shape = 0; shape < 4; ++shape) {
        const QByteArray text = hiveText(shape, 10 * 1000 * 1000);
        double cpu = 0;
        const double ms = medianMs(3, [&] {
            const std::clock_t start = std::clock();
            RegKey key;
            ok &= regParseHive(text, root, key);
            cpu = double(std::clock() - start) * 1000 / CLOCKS_PER_SEC;
        });
        // Processor time too: on a shared machine the wall time includes waiting for a core.
        std::printf("parse 10 MB, %-18s %8.1f ms wall, %6.1f ms processor\n", shapes[shape], ms,
                    cpu);
    }

    // Through the store: the file read and parsed at the first call after it changed.
    const QByteArray big = hiveText(0, 63 * 1000 * 1000);
    QFile file(RegHiveFilePath(HKEY_CURRENT_USER));
    if (!file.open(QIODevice::WriteOnly) || file.write(big) != big.size())
        return false;
    file.close();
    QElapsedTimer timer;
    timer.start();
    const std::clock_t start = std::clock();
    HKEY key = 0;
    ok &= RegOpenKeyEx(HKEY_CURRENT_USER, QStringLiteral("Software\\Bench"), KEY_READ, &key) ==
          ERROR_SUCCESS;
    RegCloseKey(key);
    std::printf("open a key of a %.0f MB file:   %8.1f ms wall, %6.1f ms processor\n",
                double(big.size()) / 1e6, double(timer.nsecsElapsed()) / 1e6,
                double(std::clock() - start) * 1000 / CLOCKS_PER_SEC);
    return ok;
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

    if (!benchParse()) {
        std::fprintf(stderr, "a large hive did not parse whole\n");
        return 1;
    }
    if (misses || failures) {
        std::fprintf(stderr, "%d reads missed, %d writes failed\n", misses, failures);
        return 1;
    }
    return 0;
}
