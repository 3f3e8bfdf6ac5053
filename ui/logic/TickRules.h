#pragma once
// The tick boxes of the hive list: a row's tick is its state image index, bits
// 12 to 15 of the row's item state.
#include <cstdint>

#include "platform/Win32Constants.h"
#include "ui/logic/Geometry.h"

namespace uilogic {

using platform::kStateImageMask;
inline constexpr std::uint32_t kStateUnticked = 0x1000;  // image 1
inline constexpr std::uint32_t kStateTicked = 0x2000;    // image 2

using platform::kHitOnLabel;
using platform::kHitOnStateIcon;
// A click toggles only on the box; a double click on the box or the text.
inline constexpr std::uint32_t kClickToggleZones = kHitOnStateIcon;
inline constexpr std::uint32_t kDoubleClickToggleZones = kHitOnStateIcon | kHitOnLabel;

using platform::kVirtualKeySpace;

inline constexpr std::uint32_t kItemStateChanged = 0x0008;  // LVIF_STATE

// The state bits a row gets when it is toggled: unticked becomes ticked, and
// every other state (ticked, no box, the unused image 3) becomes unticked.
std::uint32_t ToggledState(std::uint32_t stateBits);

// Whether an item-changed notification may have moved a tick: its changed
// mask holds LVIF_STATE and the state image bits differ. Selection and focus
// changes come the same way and need no recount of the ticked rows.
bool TickMayHaveChanged(std::uint32_t changedMask, std::uint32_t oldState, std::uint32_t newState);

// The state bits for a tick.
constexpr std::uint32_t StateForTick(bool ticked) { return ticked ? kStateTicked : kStateUnticked; }

// Whether a hit test result calls for a toggle: a row was hit (not -1) in one
// of the zones of `zones`.
bool HitTogglesRow(int rowIndex, std::uint32_t hitFlags, std::uint32_t zones);

// Whether a key pressed in the list toggles the selected rows.
bool KeyTogglesSelection(std::uint16_t virtualKey);

// The screen point that GetMessagePos packs: x in the low 16 bits and y in the
// high 16 bits, each signed (negative on monitors left of or above the main one).
Point PointFromMessagePos(std::uint32_t packed);

}  // namespace uilogic
