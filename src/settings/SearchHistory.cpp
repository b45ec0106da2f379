#include "SearchHistory.h"

#include "CRegSettings.h"
#include "SettingValues.h"
#include "platform/RegistryHive.h"

namespace {

const QString kSection = QStringLiteral("Search terms");
const QString kNumber = QStringLiteral("Number");

QString termKey(int i)
{
    return QStringLiteral("Term") + QString::number(i);
}

} // namespace

QStringList SearchHistory::loadForStartUp(const CRegSettings& store)
{
    const int number = int(SettingValues::readCount(
        store.GetSetting(kSection, kNumber, QStringLiteral("1")), 0, MaxTerms));
    QStringList terms;
    terms.reserve(number);
    for (int i = 0; i < number; ++i)
        terms.append(store.GetSetting(kSection, termKey(i)));
    return terms;
}

std::optional<QStringList> SearchHistory::record(CRegSettings& store, const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    // A stored "Number" above 9 (damage) counts as 9, so the history never grows past the
    // ten keys the program uses.
    const QString storedNumber = store.GetSetting(kSection, kNumber, QStringLiteral("0"));
    int number = int(SettingValues::readCount(storedNumber, 0, MaxTerms));

    QStringList terms;
    terms.reserve(number + 1);
    for (int i = 0; i < number; ++i) {
        terms.append(store.GetSetting(kSection, termKey(i)));
        if (terms.last() == text)
            return std::nullopt;
    }

    // With a full list the oldest term moves to "Term9", which is never listed. The shift
    // is one file write, so no reader sees a term twice or half a history.
    RegistryBatch batch;
    for (int i = number; i >= 1; --i)
        store.SaveSetting(kSection, termKey(i), terms[i - 1]);
    store.SaveSetting(kSection, termKey(0), text);
    if (number != MaxTerms)
        ++number;
    if (storedNumber != QString::number(number))
        store.SaveSetting(kSection, kNumber, QString::number(number));
    batch.commit();

    terms.prepend(text);
    terms.resize(number);
    return terms;
}
