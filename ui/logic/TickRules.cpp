#include "ui/logic/TickRules.h"

namespace uilogic {

std::uint32_t ToggledState(std::uint32_t stateBits) {
  return (stateBits & kStateImageMask) == kStateUnticked ? kStateTicked : kStateUnticked;
}

bool TickMayHaveChanged(std::uint32_t changedMask, std::uint32_t oldState, std::uint32_t newState) {
  return (changedMask & kItemStateChanged) != 0 && ((oldState ^ newState) & kStateImageMask) != 0;
}

bool HitTogglesRow(int rowIndex, std::uint32_t hitFlags, std::uint32_t zones) {
  return rowIndex != -1 && (hitFlags & zones) != 0;
}

bool KeyTogglesSelection(std::uint16_t virtualKey) { return virtualKey == kVirtualKeySpace; }

Point PointFromMessagePos(std::uint32_t packed) {
  const auto x = static_cast<std::int16_t>(static_cast<std::uint16_t>(packed & 0xFFFFu));
  const auto y = static_cast<std::int16_t>(static_cast<std::uint16_t>(packed >> 16));
  return {x, y};
}

}  // namespace uilogic
