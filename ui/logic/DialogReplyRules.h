#pragma once
// How a dialog procedure hands back a handler's answer. For most messages it
// returns TRUE and leaves the answer in DWLP_MSGRESULT; for the few the
// platform documents as exceptions (WM_CTLCOLOR*, WM_COMPAREITEM,
// WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON, WM_INITDIALOG) the answer
// itself is the return value and DWLP_MSGRESULT is ignored.
#include <cstdint>

namespace uilogic {

inline constexpr std::uint32_t kWmVKeyToItem = 0x002E;
inline constexpr std::uint32_t kWmCharToItem = 0x002F;
inline constexpr std::uint32_t kWmQueryDragIcon = 0x0037;
inline constexpr std::uint32_t kWmCompareItem = 0x0039;
inline constexpr std::uint32_t kWmInitDialog = 0x0110;
inline constexpr std::uint32_t kWmCtlColorMsgBox = 0x0132;
inline constexpr std::uint32_t kWmCtlColorStatic = 0x0138;

constexpr bool DialogReturnsAnswerDirectly(std::uint32_t message) {
  return message == kWmVKeyToItem || message == kWmCharToItem || message == kWmQueryDragIcon ||
         message == kWmCompareItem || message == kWmInitDialog ||
         (message >= kWmCtlColorMsgBox && message <= kWmCtlColorStatic);
}

}  // namespace uilogic
