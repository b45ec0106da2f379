#include "ControlUpdate.h"

ControlStates controlStates(const ControlInputs& in)
{
    ControlStates out;
    // Enter reaches the list (and launches) only while it has focus, rows and no run.
    out.searchIsDefault = !(in.listHasFocus && in.listRows > 0 && in.searchIdle);
    out.removeFolderEnabled = in.altFolderCount > 0;
    out.searchEnabled = in.anyBoxTicked || in.anyAltFolderTicked;
    out.presetButtonsEnabled = in.presetSelected;
    return out;
}
