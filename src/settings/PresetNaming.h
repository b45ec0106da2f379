#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class Prompt;

/// The name the save command settles on, and the listed entry it stands for (-1 for none).
struct PresetName {
    QString name;
    int replaces = -1;
};

/// Asks for a preset name as the save command does: the input box, pre-filled with
/// `lastName` (which it updates); a message for a name that cannot be stored, then the
/// question again; and for a name already in `listed` (compared without case) the
/// "Preset Exists" question, where No asks again and Yes keeps the listed spelling.
/// std::nullopt when the user cancels or enters nothing.
std::optional<PresetName> askPresetName(Prompt& prompt, const QStringList& listed,
                                        QString& lastName);
