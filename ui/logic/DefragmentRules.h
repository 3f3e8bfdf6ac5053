#pragma once
// When Defragment is enabled, and what enabling or disabling a dialog control
// must also do so that the focus and the default button stay sound.
#include <cstdint>

namespace uilogic {

// Defragment is enabled while at least one row is ticked.
bool DefragmentEnabled(int tickedRows);

// The string-table id of Defragment's question: a restart is announced only
// when a loaded hive is ticked (profiles' hives are swapped at once).
unsigned DefragmentQuestion(bool loadedHiveTicked);

// A control about to be disabled while it has the keyboard focus must pass the
// focus on first (WM_NEXTDLGCTL), or the focus would be left on a dead control.
bool MoveFocusBeforeChange(bool enable, bool controlHasFocus);

// After enabling a control that the dialog names as its default button
// (DM_GETDEFID's answer carries a non-zero high word and the id in its low
// word), the dialog sets it as the default again so it is drawn as such.
bool ReassertDefaultButton(bool enable, std::uint32_t getDefIdResult, int controlId);

}  // namespace uilogic
