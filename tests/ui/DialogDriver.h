#pragma once
// Drives a dialog in-process: pumps the thread's messages as a modal loop
// would, until a condition holds or a deadline passes; performs clicks and keys
// through the real input path (cursor position, posted mouse and key messages);
// reads a list view's rows and heading back.
#include <windows.h>

#include <algorithm>

#include <commctrl.h>

#include <string>
#include <vector>

namespace uitest {

// How long a wait for a window's reaction may take before the test fails.
inline constexpr DWORD kDeadlineMs = 5000;
// Posted to the thread behind whatever is queued; its turn means all before it is done.
inline constexpr UINT kQueueMarker = WM_APP + 0x4B;

// Handles every queued message, passing each through IsDialogMessage of
// `dialog`; notes the queue marker in `markerSeen`.
inline void DispatchQueued(HWND dialog, bool* markerSeen = nullptr) {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.hwnd == nullptr && message.message == kQueueMarker) {
      if (markerSeen != nullptr) *markerSeen = true;
      continue;
    }
    if (dialog == nullptr || !::IsDialogMessageW(dialog, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

// Handles messages as they come until `done()` holds, for at most `deadlineMs`;
// whether it held. Between checks it waits for the next message, not a fixed time.
template <class Condition>
bool PumpUntil(HWND dialog, Condition done, DWORD deadlineMs = kDeadlineMs,
               bool* markerSeen = nullptr) {
  const ULONGLONG end = ::GetTickCount64() + deadlineMs;
  for (;;) {
    DispatchQueued(dialog, markerSeen);
    if (done()) return true;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return false;
    // Woken by any message, and at least every 50 ms: a condition that turns
    // true on another thread without a message reaching this one is seen too.
    ::MsgWaitForMultipleObjects(
        0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 50)), QS_ALLINPUT);
  }
}

// Handles every message queued before the call and all they post in turn
// before a marker posted behind them comes round.
inline bool Pump(HWND dialog) {
  bool markerSeen = false;
  ::PostThreadMessageW(::GetCurrentThreadId(), kQueueMarker, 0, 0);
  return PumpUntil(
      dialog, [&markerSeen] { return markerSeen; }, kDeadlineMs, &markerSeen);
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
  Pump(dialog);
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
  if (!::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                      reinterpret_cast<LPARAM>(&bounds))) {
    return false;
  }
  int y = (bounds.top + bounds.bottom) / 2;
  for (int x = bounds.left; x < bounds.right; ++x) {
    LVHITTESTINFO info{};
    info.pt = POINT{x, y};
    int hit =
        static_cast<int>(::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (hit == row && (info.flags & LVHT_ONITEM) == zone) {
      *found = info.pt;
      // Prefer a point well inside the zone.
      for (int inner = x; inner < x + 4; ++inner) {
        LVHITTESTINFO more{};
        more.pt = POINT{inner, y};
        if (static_cast<int>(
                ::SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&more))) == row &&
            (more.flags & LVHT_ONITEM) == zone) {
          found->x = inner;
        }
      }
      return true;
    }
  }
  return false;
}

// The text of a list view's cell.
inline std::wstring ItemText(HWND list, int row, int column) {
  wchar_t buffer[512] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 512;
  ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

// The texts of a list view's column, top row first.
inline std::vector<std::wstring> ColumnTexts(HWND list, int column) {
  std::vector<std::wstring> texts;
  int count = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) texts.push_back(ItemText(list, row, column));
  return texts;
}

// A row's state image bits (LVIS_STATEIMAGEMASK).
inline UINT StateImage(HWND list, int row) {
  return static_cast<UINT>(
      ::SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
}

// The column whose heading shows a bitmap (the sort arrow), or -1; its format in `format`.
inline int SortArrowColumn(HWND list, int* format = nullptr) {
  HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  int columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int column = 0; column < columns; ++column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT | HDI_BITMAP;
    ::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&item));
    if ((item.fmt & HDF_BITMAP) != 0 && item.hbm != nullptr) {
      if (format != nullptr) *format = item.fmt;
      return column;
    }
  }
  return -1;
}

// Tells the dialog its list's column heading was clicked, as the list view does.
inline void ClickColumnHeading(HWND dialog, HWND list, int column) {
  NMLISTVIEW notify{};
  notify.hdr.hwndFrom = list;
  notify.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
  notify.hdr.code = LVN_COLUMNCLICK;
  notify.iItem = -1;
  notify.iSubItem = column;
  ::SendMessageW(dialog, WM_NOTIFY, notify.hdr.idFrom, reinterpret_cast<LPARAM>(&notify));
}

// Asks the dialog for a row's info tip as the list view does, into a buffer of
// `capacity` characters that holds `own` (the list's own tip) beforehand.
inline std::wstring InfoTip(HWND dialog, HWND list, int row, int capacity,
                            const std::wstring& own = L"list's own") {
  std::vector<wchar_t> buffer(512, L'\0');
  std::copy(own.begin(), own.end(), buffer.begin());
  NMLVGETINFOTIPW tip{};
  tip.hdr.hwndFrom = list;
  tip.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(list));
  tip.hdr.code = LVN_GETINFOTIPW;
  tip.pszText = buffer.data();
  tip.cchTextMax = capacity;
  tip.iItem = row;
  ::SendMessageW(dialog, WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
  return buffer.data();
}

}  // namespace uitest
