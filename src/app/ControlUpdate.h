#pragma once

/// What the enabled states and the default button depend on.
struct ControlInputs {
    bool listHasFocus = false;
    int listRows = 0;
    bool searchIdle = true;
    int altFolderCount = 0;
    bool anyBoxTicked = false; ///< a folder box holds 1; a grey box (2) does not count
    bool anyAltFolderTicked = false;
    bool presetSelected = false;
    friend bool operator==(const ControlInputs&, const ControlInputs&) = default;
};

/// The enabled states and the default button that follow from ControlInputs.
struct ControlStates {
    bool searchIsDefault = true;       ///< Command1 takes Enter
    bool removeFolderEnabled = false;  ///< Command5
    bool searchEnabled = false;        ///< Command1
    bool presetButtonsEnabled = false; ///< Command8 and Command6
    friend bool operator==(const ControlStates&, const ControlStates&) = default;
};

/// The four rules of the control update. The window applies them whenever an input changes.
ControlStates controlStates(const ControlInputs& in);
