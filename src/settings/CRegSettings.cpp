#include "CRegSettings.h"

#include "platform/RegistryHive.h"

namespace {

const QString kDefaultCompany = QStringLiteral("VB and VBA Program Settings");
const QString kProductName = QStringLiteral("Kestrelfind");

/// Drops blanks (spaces only, as the original did) at both ends.
QString trimSpaces(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

/// "*" names the key's default value, which the registry calls "".
QString valueName(const QString& Key)
{
    return Key == u"*" ? QString() : Key;
}

/// A stored text: its bytes without the terminating NUL.
QString textOf(const QByteArray& data, std::uint32_t size)
{
    return QString::fromUtf8(data.constData(), size > 0 ? qsizetype(size) - 1 : 0);
}

} // namespace

CRegSettings::CRegSettings()
    : m_company(kDefaultCompany)
    , m_appName(kProductName)
{}

CRegSettings CRegSettings::forProgram()
{
    CRegSettings store;
    store.setAppName(QStringLiteral("Kestrelfind"));
    store.setCompany(QStringLiteral("Willow Brookes"));
    return store;
}

void CRegSettings::setCompany(const QString& NewVal)
{
    // A name of blanks alone would be an empty key name that nothing can be stored under.
    const QString trimmed = trimSpaces(NewVal);
    m_company = trimmed.isEmpty() ? kDefaultCompany : trimmed;
}

void CRegSettings::setAppName(const QString& NewVal)
{
    const QString trimmed = trimSpaces(NewVal);
    m_appName = trimmed.isEmpty() ? kProductName : trimmed;
}

QString CRegSettings::GetSetting(const QString& Section, const QString& Key,
                                 const QString& Default) const
{
    QString result = Default;
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, BuildSectionKey(Section), KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return result;
    const QString name = valueName(Key);
    std::uint32_t size = 0;
    // The type is not looked at: any value reads as its bytes less the last one.
    if (RegQueryValueEx(key, name, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        QByteArray buffer(qsizetype(size), '\0');
        if (RegQueryValueEx(key, name, nullptr, buffer.data(), &size) == ERROR_SUCCESS)
            result = textOf(buffer, size);
    }
    RegCloseKey(key);
    return result;
}

bool CRegSettings::SaveSetting(const QString& Section, const QString& Key, const QString& Setting)
{
    HKEY key = 0;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, BuildSectionKey(Section), QString(), KEY_ALL_ACCESS,
                       &key) != ERROR_SUCCESS)
        return false;
    const QByteArray data = Setting.toUtf8() + '\0';
    const LSTATUS rc =
        RegSetValueEx(key, valueName(Key), REG_SZ, data.constData(), std::uint32_t(data.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool CRegSettings::DeleteSetting(const QString& Section, const QString& Key)
{
    HKEY key = 0;
    if (!Key.isEmpty()) {
        if (RegOpenKeyEx(HKEY_CURRENT_USER, BuildSectionKey(Section), KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS)
            return false;
        const LSTATUS rc = RegDeleteValue(key, valueName(Key));
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
    // With no section named there is nothing to delete; deleting "" would take the
    // application key itself with every value in it.
    if (Section.isEmpty())
        return false;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, BuildSectionKey(QString()), KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return false;
    const LSTATUS rc = RegDeleteKey(key, Section);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

QList<QPair<QString, QString>> CRegSettings::GetAllSettings(const QString& Section) const
{
    QList<QPair<QString, QString>> result;
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, BuildSectionKey(Section), KEY_READ, &key) != ERROR_SUCCESS)
        return result;
    std::uint32_t longestName = 0;
    std::uint32_t longestData = 0;
    if (RegQueryInfoKey(key, nullptr, nullptr, nullptr, &longestName, &longestData) !=
        ERROR_SUCCESS) {
        RegCloseKey(key);
        return result;
    }
    const std::uint32_t nameCapacity = longestName + 1;
    const std::uint32_t dataCapacity = longestData + 1;
    QByteArray data(qsizetype(dataCapacity), '\0');
    for (std::uint32_t index = 0;; ++index) {
        QString name;
        std::uint32_t nameChars = nameCapacity;
        std::uint32_t dataSize = dataCapacity;
        std::uint32_t type = 0;
        if (RegEnumValue(key, index, &name, &nameChars, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS)
            break;
        if (type == REG_SZ)
            result.append({name, textOf(data, dataSize)});
    }
    RegCloseKey(key);
    return result;
}

QString CRegSettings::takeDamageReport()
{
    return RegTakeHiveDamageReport(HKEY_CURRENT_USER);
}

QString CRegSettings::lastWriteError()
{
    return RegHiveWriteError(HKEY_CURRENT_USER);
}

QString CRegSettings::BuildSectionKey(const QString& Section) const
{
    QString path = u"Software\\" + m_company + u'\\' + m_appName;
    if (!Section.isEmpty())
        path += u'\\' + Section;
    return path;
}
