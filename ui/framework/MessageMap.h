#pragma once
// Per-class message maps: each window class lists the messages it handles in a
// static table that chains to its base class's table. One window procedure
// looks a message up and calls the typed handler.
#include <windows.h>

#include <cstddef>
#include <optional>

class CWnd;

// A handler unpacks wParam/lParam itself; it returns the message's result, or
// nothing to let the default processing handle the message.
using MessageHandler = std::optional<LRESULT> (*)(CWnd& window, WPARAM wParam, LPARAM lParam);

// Notifications a parent reflects back to the control that sent them are
// listed under this base plus the original message (as WM_NOTIFY reflected).
inline constexpr UINT kReflectBase = 0xBC00;
inline constexpr UINT kReflectedNotify = kReflectBase + WM_NOTIFY;
inline constexpr UINT kReflectedCtlColorStatic = kReflectBase + WM_CTLCOLORSTATIC;

struct MessageMapEntry {
  UINT message;  // WM_..., or WM_COMMAND / WM_NOTIFY with the fields below
  UINT code;     // notification code for WM_COMMAND (BN_CLICKED...) or WM_NOTIFY (LVN_...)
  UINT id;       // control id for WM_COMMAND / WM_NOTIFY; 0 otherwise
  MessageHandler handler;
};

struct MessageMap {
  const MessageMap* base;
  const MessageMapEntry* entries;
  std::size_t count;
};

// The entry that handles a message, searching the class's table and then its bases.
const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, WPARAM wParam,
                                        LPARAM lParam);

// Adapters from member functions to MessageHandler, so tables stay typed.
template <class T, void (T::*Member)()>
std::optional<LRESULT> CallVoid(CWnd& window, WPARAM, LPARAM) {
  (static_cast<T&>(window).*Member)();
  return 0;
}

// A handler that may decline: nothing means "default processing".
template <class T, std::optional<LRESULT> (T::*Member)(WPARAM, LPARAM)>
std::optional<LRESULT> CallRaw(CWnd& window, WPARAM wParam, LPARAM lParam) {
  return (static_cast<T&>(window).*Member)(wParam, lParam);
}

// WM_NOTIFY handler: receives the header; sets *result.
template <class T, void (T::*Member)(NMHDR*, LRESULT*)>
std::optional<LRESULT> CallNotify(CWnd& window, WPARAM, LPARAM lParam) {
  LRESULT result = 0;
  (static_cast<T&>(window).*Member)(reinterpret_cast<NMHDR*>(lParam), &result);
  return result;
}
