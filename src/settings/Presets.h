#pragma once

#include "CRegSettings.h"
#include "SearchScope.h"

#include <QStringList>

/// Named copies of the search scope, one key per preset below "Presets" with the sections
/// "Search Folders", "Search Filter" and "Alt Folders". Names compare without regard to
/// case, as the store does: "Work" and "work" are one preset.
class Presets final {
public:
    /// Why a name cannot be used for a preset.
    enum class NameProblem {
        None,
        Empty,            ///< nothing but blanks
        Backslash,        ///< "\" would make nested keys that are never listed
        ControlCharacter, ///< line breaks, tabs and the like cannot be stored in a key name
        TooLong,          ///< more than MaxNameLength characters would end the listing
    };

    /// The longest name the preset listing can return.
    static constexpr int MaxNameLength = 254;

    /// Presets in `store` (by default the program's own settings).
    explicit Presets(const CRegSettings& store = CRegSettings::forProgram());

    /// The stored presets' names in the store's enumeration order (case-insensitive by
    /// name); empty when there are none or they cannot be read.
    QStringList list() const;

    /// Stores `scope` under `name` (which must pass checkName) in one file write: "Search
    /// Folders", "Search Filter", then "Alt Folders" rewritten from scratch. False when the
    /// name is refused or the write failed; the preset must then not be shown as saved.
    bool save(const QString& name, const SearchScope& scope);

    /// The scope stored under `name`, with the first-start defaults for anything missing or
    /// out of range (all defaults for a refused name).
    SearchScope load(const QString& name) const;

    /// Deletes the preset, innermost sections first, then its key (and anything stray below
    /// it). True when no preset of that name remains; false for a refused name.
    bool remove(const QString& name);

    /// The name as it is stored: blanks at either end dropped.
    static QString normalizeName(const QString& name);
    /// What is wrong with a (normalized) name, or NameProblem::None.
    static NameProblem checkName(const QString& name);
    /// The message the window shows for a refused name ("" for NameProblem::None).
    static QString problemText(NameProblem problem);
    /// The index of `name` in `names` compared without regard to case, or -1.
    static int indexOfName(const QStringList& names, const QString& name);

    /// The section prefix of a preset: "Presets\" + name + "\".
    static QString sectionPrefix(const QString& name);

private:
    QString presetsKeyPath() const;

    CRegSettings m_store;
};
