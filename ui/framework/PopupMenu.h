#pragma once
// A shortcut menu: made empty, filled with commands, shown at a point on the
// screen for its owner and destroyed with the object. Thin: no logic.
#include <windows.h>

class CPopupMenu {
 public:
  CPopupMenu() : m_menu(::CreatePopupMenu()) {}
  ~CPopupMenu() {
    if (m_menu != nullptr) ::DestroyMenu(m_menu);
  }
  CPopupMenu(const CPopupMenu&) = delete;
  CPopupMenu& operator=(const CPopupMenu&) = delete;

  BOOL AppendCommand(UINT id, const wchar_t* text, bool enabled) {
    return ::AppendMenuW(m_menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED),
                         static_cast<UINT_PTR>(id), text);
  }
  // Returns when the menu closes; a chosen command reaches `owner` as WM_COMMAND.
  BOOL Track(HWND owner, POINT screen) {
    return ::TrackPopupMenu(m_menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screen.x,
                            screen.y, 0, owner, nullptr);
  }
  HMENU Get() const { return m_menu; }

 private:
  HMENU m_menu;
};
