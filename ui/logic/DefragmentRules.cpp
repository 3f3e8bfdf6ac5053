#include "ui/logic/DefragmentRules.h"

#include "ui/res/resource.h"

namespace uilogic {

bool DefragmentEnabled(int tickedRows) { return tickedRows > 0; }

unsigned DefragmentQuestion(bool loadedHiveTicked) {
  return loadedHiveTicked ? IDS_CONFIRM_DEFRAGMENT : IDS_CONFIRM_PROFILES_NOW;
}

bool MoveFocusBeforeChange(bool enable, bool controlHasFocus) { return !enable && controlHasFocus; }

bool ReassertDefaultButton(bool enable, std::uint32_t getDefIdResult, int controlId) {
  if (!enable || (getDefIdResult >> 16) == 0) return false;
  return static_cast<int>(getDefIdResult & 0xFFFFu) == controlId;
}

}  // namespace uilogic
