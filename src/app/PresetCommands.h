#pragma once

#include "settings/SearchScope.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class Prompt;
class QComboBox;

/// The commands of the "Presets:" frame over the preset box `Combo2`: save the window's
/// scope under a name, load or delete the selected preset. The box only ever names presets
/// that are stored: a save or delete that cannot be written tells the user and leaves it.
class PresetCommands final {
public:
    /// Reads the window's scope.
    using ScopeSource = std::function<SearchScope()>;
    /// Puts a loaded scope into the window.
    using ScopeSink = std::function<void(const SearchScope&)>;

    /// Commands over `presets`; the prompt and the box must outlive this object.
    PresetCommands(Prompt& prompt, QComboBox& presets, ScopeSource current, ScopeSink apply);
    Q_DISABLE_COPY_MOVE(PresetCommands)

    /// Fills the box with the stored presets and selects the first.
    void fill();
    /// Save (`Command7`): asks for a name (pre-filled with the last one), asks before
    /// overwriting, stores the scope and puts the name first in the box, selected. True
    /// when a preset was stored.
    bool save();
    /// Load (`Command8`): puts the selected preset's scope into the window. False with
    /// nothing selected.
    bool load();
    /// Delete (`Command6`): asks, then removes the selected preset from the store and the
    /// box and selects the first entry left. True when a preset was deleted.
    bool remove();

private:
    void tellNotWritten(const QString& name, const QString& what);

    Prompt& m_prompt;
    QComboBox& m_box;
    ScopeSource m_current;
    ScopeSink m_apply;
    QString m_lastName; ///< the name entered in the previous save
};
