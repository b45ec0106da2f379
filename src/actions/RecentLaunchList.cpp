#include "RecentLaunchList.h"

#include "platform/FileUri.h"
#include "platform/RegistryHive.h"
#include "settings/CRegSettings.h"

#include <QStringDecoder>

namespace {
const QString kSection = QStringLiteral("Recent Files");

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    Q_UNUSED(text)
    return !decoder.hasError();
}
} // namespace

QString RecentLaunchList::entry(int number) const
{
    if (number < 1 || number > MaxEntries)
        return {};
    return m_store.GetSetting(kSection, QString::number(number), QString());
}

QStringList RecentLaunchList::entries() const
{
    QStringList out;
    for (int i = 1; i <= MaxEntries; ++i) {
        const QString value = entry(i);
        if (value.isEmpty())
            break;
        out.append(value);
    }
    return out;
}

QByteArray RecentLaunchList::target(int number) const
{
    return targetOf(entry(number));
}

void RecentLaunchList::write(int number, const QString& value)
{
    m_store.SaveSetting(kSection, QString::number(number), value);
}

bool RecentLaunchList::add(const QByteArray& target)
{
    if (target.isEmpty())
        return false;
    const QString p = storedText(target);
    int found = 0;
    for (int j = 1; j <= MaxEntries && found == 0; ++j) {
        if (entry(j) == p)
            found = j;
    }
    if (found == 1)
        return false;
    // A new entry lengthens the list by one, up to ten; a found one reuses its own place.
    const int last = found > 1 ? found : qMin(int(entries().size()) + 1, int(MaxEntries));
    for (int k = last; k >= 2; --k)
        write(k, entry(k - 1));
    write(1, p);
    return true;
}

bool RecentLaunchList::add(const QList<QByteArray>& targets)
{
    RegistryBatch batch;
    bool changed = false;
    for (const QByteArray& target : targets)
        changed = add(target) || changed;
    return changed;
}

QString RecentLaunchList::storedText(const QByteArray& target)
{
    if (isValidUtf8(target) && !target.contains('\0'))
        return QString::fromUtf8(target);
    return QString::fromLatin1(fileUri(target));
}

QByteArray RecentLaunchList::targetOf(const QString& stored)
{
    const QByteArray bytes = stored.toUtf8();
    if (const auto path = pathFromFileUri(bytes))
        return *path;
    return bytes;
}
