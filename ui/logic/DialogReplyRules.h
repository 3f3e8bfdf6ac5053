#pragma once
// How a dialog procedure hands back a handler's answer. For most messages it
// returns TRUE and leaves the answer in DWLP_MSGRESULT; for the few the
// platform documents as exceptions (WM_CTLCOLOR*, WM_COMPAREITEM,
// WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON, WM_INITDIALOG) the answer
// itself is the return value and DWLP_MSGRESULT is ignored.
#include <cstdint>

#include "platform/Win32Constants.h"

namespace uilogic {

constexpr bool DialogReturnsAnswerDirectly(std::uint32_t message) {
  using namespace platform;
  return message == kWmVKeyToItem || message == kWmCharToItem || message == kWmQueryDragIcon ||
         message == kWmCompareItem || message == kWmInitDialog ||
         (message >= kWmCtlColorMsgBox && message <= kWmCtlColorStatic);
}

}  // namespace uilogic
