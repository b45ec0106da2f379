#pragma once

#include <QList>
#include <QPair>
#include <QString>

/// The program's store of text settings: section / key / value under the current user's
/// key "Software\<Company>\<appName>". Every call reads or writes the settings file at once;
/// nothing is cached that could hide another instance's write.
class CRegSettings final {
public:
    CRegSettings();

    /// A store with the program's own names ("Willow Brookes", "Kestrelfind").
    static CRegSettings forProgram();

    /// Sets the company key name; blanks around it are dropped, "" restores the default.
    void setCompany(const QString& NewVal);
    QString Company() const { return m_company; }
    /// Sets the application key name; blanks around it are dropped, "" restores the default.
    void setAppName(const QString& NewVal);
    QString appName() const { return m_appName; }

    /// The text of value `Key` ("*" for the section's default value) in `Section` (which may
    /// hold "\" for nested keys), or `Default` when there is none.
    QString GetSetting(const QString& Section, const QString& Key,
                       const QString& Default = QString()) const;
    /// Writes a text value, creating the section and its parents; true when written.
    bool SaveSetting(const QString& Section, const QString& Key, const QString& Setting);
    /// Deletes one value, or with an empty `Key` the section key itself (which must have no
    /// sub-keys); true when the deletion succeeded.
    bool DeleteSetting(const QString& Section, const QString& Key = QString());
    /// The section's text values as (name, text) pairs in their stored order; empty when
    /// there are none or the section cannot be read.
    QList<QPair<QString, QString>> GetAllSettings(const QString& Section) const;

    /// Once per damaged version of the settings file (not a regular file, a link, too large,
    /// partly unreadable): a message for the user saying what is wrong and what happens;
    /// "" when the file is whole or missing or this version was already reported.
    static QString takeDamageReport();
    /// Why the last write of the settings file failed, for the user; "" after a success.
    static QString lastWriteError();

private:
    QString BuildSectionKey(const QString& Section) const;

    QString m_company;
    QString m_appName;
};
