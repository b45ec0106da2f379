#include "PresetCommands.h"

#include "platform/Prompt.h"
#include "settings/PresetNaming.h"
#include "settings/Presets.h"

#include <QComboBox>

PresetCommands::PresetCommands(Prompt& prompt, QComboBox& presets, ScopeSource current,
                               ScopeSink apply)
    : m_prompt(prompt)
    , m_box(presets)
    , m_current(std::move(current))
    , m_apply(std::move(apply))
{}

void PresetCommands::fill()
{
    m_box.clear();
    const QStringList names = Presets().list();
    if (names.isEmpty())
        return;
    m_box.addItems(names);
    m_box.setCurrentIndex(0);
}

bool PresetCommands::save()
{
    QStringList listed;
    for (int i = 0; i < m_box.count(); ++i)
        listed.append(m_box.itemText(i));
    const std::optional<PresetName> chosen = askPresetName(m_prompt, listed, m_lastName);
    if (!chosen)
        return false;
    if (!Presets().save(chosen->name, m_current())) {
        tellNotWritten(chosen->name, QStringLiteral("saved"));
        return false;
    }
    if (chosen->replaces >= 0)
        m_box.removeItem(chosen->replaces);
    m_box.insertItem(0, chosen->name);
    m_box.setCurrentIndex(0);
    return true;
}

bool PresetCommands::load()
{
    if (m_box.currentIndex() < 0)
        return false;
    const Presets presets;
    const QString name = m_box.currentText();
    // Another Kestrelfind, or a hand, may have deleted it since the box was filled: its
    // defaults would pass for the preset.
    if (Presets::indexOfName(presets.list(), name) < 0) {
        m_prompt.MsgBox(u"The preset \"" + name +
                            u"\" is no longer in the settings file, so it cannot be loaded. It "
                            u"has been taken off the list.",
                        MsgStyle::OkOnly | MsgStyle::Exclamation, QStringLiteral("Oops!"));
        m_box.removeItem(m_box.currentIndex());
        m_box.setCurrentIndex(m_box.count() > 0 ? 0 : -1);
        return false;
    }
    m_apply(presets.load(name));
    return true;
}

bool PresetCommands::remove()
{
    if (m_box.currentIndex() < 0)
        return false;
    const int answer =
        m_prompt.MsgBox(QStringLiteral("Are you sure you wish to delete the selected preset?"),
                        MsgStyle::YesNo | MsgStyle::Exclamation, QStringLiteral("Preset Exists"));
    if (answer != MsgResult::Yes)
        return false;
    const QString name = m_box.currentText();
    if (!Presets().remove(name)) {
        tellNotWritten(name, QStringLiteral("deleted"));
        return false;
    }
    m_box.removeItem(m_box.currentIndex());
    m_box.setCurrentIndex(m_box.count() > 0 ? 0 : -1);
    return true;
}

void PresetCommands::tellNotWritten(const QString& name, const QString& what)
{
    const QString reason = CRegSettings::lastWriteError();
    m_prompt.MsgBox(u"The preset \"" + name + u"\" could not be " + what +
                        u": the settings file cannot be written." +
                        (reason.isEmpty() ? QString() : u"\n\n" + reason),
                    MsgStyle::OkOnly | MsgStyle::Critical, QStringLiteral("Oops!"));
}
