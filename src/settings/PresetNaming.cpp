#include "PresetNaming.h"

#include "platform/Prompt.h"
#include "settings/Presets.h"

std::optional<PresetName> askPresetName(Prompt& prompt, const QStringList& listed,
                                        QString& lastName)
{
    for (;;) {
        const std::optional<QString> answer = prompt.InputBox(
            QStringLiteral("Enter a name for new preset."), QStringLiteral("Enter Name"), lastName);
        if (!answer)
            return std::nullopt;
        const QString name = Presets::normalizeName(*answer);
        lastName = name;
        if (name.isEmpty())
            return std::nullopt;
        if (const auto problem = Presets::checkName(name); problem != Presets::NameProblem::None) {
            prompt.MsgBox(Presets::problemText(problem), MsgStyle::OkOnly | MsgStyle::Exclamation,
                          QStringLiteral("Enter Name"));
            continue;
        }
        const int existing = Presets::indexOfName(listed, name);
        if (existing < 0)
            return PresetName{name, -1};
        // Names are one key whatever their case: the question names the preset it replaces.
        const int overwrite = prompt.MsgBox(
            u"Do you wish to overwrite the preset named \"" + listed.at(existing) + u"\"?",
            MsgStyle::YesNo | MsgStyle::Exclamation, QStringLiteral("Preset Exists"));
        if (overwrite == MsgResult::Yes)
            return PresetName{listed.at(existing), existing}; // the stored spelling stays
    }
}
