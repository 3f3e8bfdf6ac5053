#include "ui/framework/Wnd.h"

#include <exception>
#include <string>

const MessageMap CWnd::kMessageMap = {nullptr, nullptr, 0};

const MessageMap* CWnd::GetMessageMap() const { return &kMessageMap; }

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  BOOL destroyed = ::DestroyWindow(m_hWnd);
  m_hWnd = nullptr;
  return destroyed;
}

CString CWnd::GetWindowText() const {
  int length = ::GetWindowTextLengthW(m_hWnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = ::GetWindowTextW(m_hWnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return CString(std::move(text));
}

void ReportInternalError(HWND owner, const std::exception* error) {
  std::wstring text = L"An internal error stopped this action";
  if (error != nullptr) {
    std::string what = error->what();
    text.append(L": ");
    text.append(what.begin(), what.end());
  } else {
    text.append(L".");
  }
  ::MessageBoxW(owner, text.c_str(), L"Kelvaro", MB_OK | MB_ICONERROR);
}

bool CWnd::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const MessageMapEntry* entry = FindMessageEntry(GetMessageMap(), message, wParam, lParam);
  if (entry == nullptr) return false;
  *result = 0;
  bool handled = true;
  GuardHandler(m_hWnd, [&] {
    std::optional<LRESULT> answer = entry->handler(*this, wParam, lParam);
    if (answer) {
      *result = *answer;
    } else {
      handled = false;
    }
  });
  return handled;
}

bool CWnd::SubclassWindow(HWND window) {
  if (window == nullptr || m_pfnSuper != nullptr) return false;
  m_hWnd = window;
  // The object lives in the window's own memory, not in a window property: a
  // property is looked up by name on every message, under Wine a round trip to
  // its server each time.
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  m_pfnSuper = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
  return m_pfnSuper != nullptr;
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper == nullptr) return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
  return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* object = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (object == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);
  WNDPROC super = object->m_pfnSuper;
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    object->m_pfnSuper = nullptr;
    object->m_hWnd = nullptr;
    return ::CallWindowProcW(super, window, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (object->RouteMessage(message, wParam, lParam, &result)) return result;
  return ::CallWindowProcW(super, window, message, wParam, lParam);
}
