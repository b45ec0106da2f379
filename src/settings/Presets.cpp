#include "Presets.h"

#include "clsRegistry.h"
#include "platform/RegistryHive.h"

namespace {
const QString kPresets = QStringLiteral("Presets");
const QString kSections[] = {QStringLiteral("Alt Folders"), QStringLiteral("Search Filter"),
                             QStringLiteral("Search Folders")}; // innermost-first delete order
} // namespace

Presets::Presets(const CRegSettings& store)
    : m_store(store)
{}

QString Presets::presetsKeyPath() const
{
    return QStringLiteral("Software\\") + m_store.Company() + u'\\' + m_store.appName() + u'\\' +
           kPresets;
}

QStringList Presets::list() const
{
    QStringList names;
    clsRegistry().EnumKeys(names, presetsKeyPath(), HKEY_CURRENT_USER);
    return names;
}

bool Presets::save(const QString& name, const SearchScope& scope)
{
    if (checkName(name) != NameProblem::None)
        return false;
    return saveScope(m_store, sectionPrefix(name), scope);
}

SearchScope Presets::load(const QString& name) const
{
    if (checkName(name) != NameProblem::None)
        return SearchScope{};
    return loadScope(m_store, sectionPrefix(name));
}

bool Presets::remove(const QString& name)
{
    if (checkName(name) != NameProblem::None)
        return false; // an empty name would address the "Presets" key itself
    const QString prefix = sectionPrefix(name);
    RegistryBatch batch; // one file write: the preset goes as a whole or not at all
    for (const QString& section : kSections)
        m_store.DeleteSetting(prefix + section); // a missing section is no failure
    if (!m_store.DeleteSetting(kPresets + u'\\' + name)) {
        // Something the program never writes was left below the preset: take it all.
        clsRegistry().DeleteKey(presetsKeyPath() + u'\\' + name, QString(), HKEY_CURRENT_USER);
    }
    // A store that cannot be read lists nothing: only a written file says the preset went.
    return batch.commit() == ERROR_SUCCESS && indexOfName(list(), name) < 0;
}

QString Presets::normalizeName(const QString& name)
{
    // Blanks as VB's Trim knows them; other white space is refused by checkName.
    qsizetype first = 0;
    qsizetype last = name.size();
    while (first < last && name[first] == u' ')
        ++first;
    while (last > first && name[last - 1] == u' ')
        --last;
    return name.mid(first, last - first);
}

Presets::NameProblem Presets::checkName(const QString& name)
{
    if (normalizeName(name).isEmpty())
        return NameProblem::Empty;
    if (name.contains(u'\\'))
        return NameProblem::Backslash;
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return NameProblem::ControlCharacter;
    }
    if (name.size() > MaxNameLength)
        return NameProblem::TooLong;
    return NameProblem::None;
}

QString Presets::problemText(NameProblem problem)
{
    switch (problem) {
    case NameProblem::None:
        return {};
    case NameProblem::Empty:
        return QStringLiteral("Please enter a name for the preset.");
    case NameProblem::Backslash:
        return QStringLiteral("A preset name cannot contain the character \"\\\". "
                              "Please enter a different name.");
    case NameProblem::ControlCharacter:
        return QStringLiteral("A preset name cannot contain line breaks or tabs. "
                              "Please enter a different name.");
    case NameProblem::TooLong:
        return QStringLiteral("A preset name can be at most %1 characters long. "
                              "Please enter a shorter name.")
            .arg(MaxNameLength);
    }
    return {};
}

int Presets::indexOfName(const QStringList& names, const QString& name)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QString Presets::sectionPrefix(const QString& name)
{
    return kPresets + u'\\' + name + u'\\';
}
