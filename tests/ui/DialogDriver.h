#pragma once
// Drives a dialog in-process: pumps the thread's messages as a modal loop
// would, and performs clicks and keys through the real input path (cursor
// position, posted mouse and key messages).
#include <windows.h>

#include <commctrl.h>

namespace uitest {

// Processes every queued message, passing each through IsDialogMessage of `dialog`.
inline void Pump(HWND dialog, int rounds = 3) {
  for (int round = 0; round < rounds; ++round) {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (dialog == nullptr || !::IsDialogMessageW(dialog, &message)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
      }
    }
    ::Sleep(10);
  }
}

// The list view reports a click to its parent as NM_CLICK (NM_DBLCLK for a
// double click) with the position recorded for the last message taken from the
// queue. This moves the cursor to the point, takes a message so that position
// is recorded, and then delivers the notification as the list view does.
inline void Click(HWND dialog, HWND list, POINT client, bool twice = false) {
  POINT screen = client;
  ::ClientToScreen(list, &screen);
  ::SetCursorPos(screen.x, screen.y);
  ::PostMessageW(dialog, WM_NULL, 0, 0);
  Pump(dialog, 1);
  NMITEMACTIVATE notify{};
  notify.hdr.hwndFrom = list;
  notify.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
  notify.hdr.code = NM_CLICK;
  notify.ptAction = client;
  ::SendMessageW(dialog, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
  if (twice) {
    notify.hdr.code = NM_DBLCLK;
    ::SendMessageW(dialog, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
  }
  Pump(dialog);
}

// The cursor position the system reports, to check that moving it worked.
inline POINT CursorPosition() {
  POINT point{};
  ::GetCursorPos(&point);
  return point;
}

inline void Key(HWND dialog, HWND target, WPARAM key) {
  ::SetFocus(target);
  ::PostMessageW(target, WM_KEYDOWN, key, 1);
  ::PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
  Pump(dialog);
}

// A point of `row` in the list whose hit test gives `zone` (LVHT_ONITEMSTATEICON,
// LVHT_ONITEMLABEL), found by scanning the row's bounds.
inline bool FindZone(HWND list, int row, UINT zone, POINT* found) {
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  if (!::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds))) {
    return false;
  }
  int y = (bounds.top + bounds.bottom) / 2;
  for (int x = bounds.left; x < bounds.right; ++x) {
    LVHITTESTINFO info{};
    info.pt = POINT{x, y};
    int hit = static_cast<int>(::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (hit == row && (info.flags & LVHT_ONITEM) == zone) {
      *found = info.pt;
      // Prefer a point well inside the zone.
      for (int inner = x; inner < x + 4; ++inner) {
        LVHITTESTINFO more{};
        more.pt = POINT{inner, y};
        if (static_cast<int>(::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&more))) == row &&
            (more.flags & LVHT_ONITEM) == zone) {
          found->x = inner;
        }
      }
      return true;
    }
  }
  return false;
}

}  // namespace uitest
