#pragma once
// A window handle with the framework's message routing. Thin: no logic.
#include <windows.h>

#include <exception>

#include "platform/CString.h"
#include "ui/framework/MessageMap.h"

// Tells the user that an exception stopped a handler; `error` is null for one
// that is no std::exception.
void ReportInternalError(HWND owner, const std::exception* error);

// Runs one handler of a window: every handler's exception stops at this one
// guard and is reported, never swallowed. False when one stopped it.
template <typename Call>
bool GuardHandler(HWND owner, Call&& call) {
  try {
    call();
    return true;
  } catch (const std::exception& error) {
    ReportInternalError(owner, &error);
  } catch (...) {
    ReportInternalError(owner, nullptr);
  }
  return false;
}

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  virtual const MessageMap* GetMessageMap() const;
  virtual BOOL DestroyWindow();

  HWND GetSafeHwnd() const { return m_hWnd; }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  CString GetWindowText() const;
  void SetWindowText(const wchar_t* text) { ::SetWindowTextW(m_hWnd, text); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
  }

  // Routes the window's own messages through this object's message map, the
  // rest to its original window procedure. Undone when the window is destroyed.
  bool SubclassWindow(HWND window);
  // The original window procedure's answer for a message.
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

  // Offers a notification the parent received from this control back to it.
  bool ReflectNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return RouteMessage(kReflectBase + message, wParam, lParam, result);
  }

  HWND m_hWnd = nullptr;

 protected:
  // Runs the handler from the message map, if any. Exceptions stop here: they are
  // reported to the user and the message counts as handled.
  bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  static const MessageMap kMessageMap;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  WNDPROC m_pfnSuper = nullptr;
};
