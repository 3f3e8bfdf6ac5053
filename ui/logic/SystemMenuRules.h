#pragma once
// The About entry both windows append to their system menus.
#include <cstdint>

namespace uilogic {

inline constexpr std::uint32_t kAboutCommandId = 0x0010;

// The platform uses the low four bits of a system command internally, so the
// id is compared without them.
constexpr bool IsAboutCommand(std::uint32_t commandId) {
  return (commandId & 0xFFF0u) == kAboutCommandId;
}

}  // namespace uilogic
