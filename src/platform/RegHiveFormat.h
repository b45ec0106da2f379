#pragma once

// The in-memory key tree of one hive and its registry-export text form (REGEDIT4).

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

/// One value of a key: its name as created ("" for the default value), type and raw bytes.
struct RegValue {
    QString name;
    std::uint32_t type = 0;
    QByteArray data;
};

/// One key: values in creation order, sub-keys by case-folded name (which gives their
/// case-insensitive enumeration order). Values and sub-keys are indexed by folded name, so a
/// key with many of them reads in linear time: change them only through the functions here.
struct RegKey {
    QString name;
    std::vector<RegValue> values;
    std::map<QString, std::unique_ptr<RegKey>> subKeys;

    /// The direct sub-key called `name` (any letter case), or null.
    RegKey* child(const QString& name) const;
    /// The sub-key at `index` in enumeration order, or null past the end.
    const RegKey* childAt(size_t index) const;
    /// The sub-key called `name`, created (with that spelling) when missing.
    RegKey* ensureChild(const QString& name);
    /// Removes the sub-key called `name` (any letter case) with everything below it.
    void removeChild(const QString& name);
    /// The index of value `name` (any letter case) in `values`, or -1.
    int valueIndex(const QString& name) const;
    /// Sets (or adds at the end) value `name`.
    void setValue(const QString& name, std::uint32_t type, const QByteArray& data);
    /// Removes value `name` (any letter case); false when there is none.
    bool removeValue(const QString& name);

private:
    QHash<QString, size_t> m_valueIndex;             ///< folded name -> index in values
    mutable std::vector<const RegKey*> m_childOrder; ///< subKeys in order, built on demand
    mutable bool m_childOrderValid = false;
};

/// The key used to file a name among its siblings.
inline QString regFoldName(const QString& name)
{
    return name.toCaseFolded();
}

/// Whether a key name can be stored: 1 to kMaxKeyNameLength characters, no "\" and no
/// control characters (which would break the file's line structure).
bool regIsValidKeyName(const QString& name);
/// Whether a value name can be stored: no control characters.
bool regIsValidValueName(const QString& name);

/// Reads export text into `root` (which should be empty), whose sections must name
/// `rootName` ("HKEY_CURRENT_USER"). Lines that cannot be understood are skipped. Returns
/// true when the whole text was understood, false when something was skipped, cut short or
/// the text is not a hive at all.
bool regParseHive(const QByteArray& text, const QString& rootName, RegKey& root);

/// The export text of `root`: "REGEDIT4", then one section per key (every key but a root
/// without values), depth first in name order.
QByteArray regWriteHive(const RegKey& root, const QString& rootName);
