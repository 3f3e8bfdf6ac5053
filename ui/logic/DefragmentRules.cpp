#include "ui/logic/DefragmentRules.h"

#include "ui/res/resource.h"

namespace uilogic {

bool DefragmentEnabled(int tickedRows) { return tickedRows > 0; }

unsigned DefragmentRefusal(int tickedProfileRows, bool profileSwapWired) {
  return tickedProfileRows > 0 && !profileSwapWired ? IDS_PROFILE_SWAP_UNAVAILABLE : 0;
}

bool MoveFocusBeforeChange(bool enable, bool controlHasFocus) { return !enable && controlHasFocus; }

bool ReassertDefaultButton(bool enable, std::uint32_t getDefIdResult, int controlId) {
  if (!enable || (getDefIdResult >> 16) == 0) return false;
  return static_cast<int>(getDefIdResult & 0xFFFFu) == controlId;
}

}  // namespace uilogic
