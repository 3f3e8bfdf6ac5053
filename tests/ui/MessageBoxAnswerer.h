#pragma once
// Answers the message boxes a window shows on the test's own thread: a thread
// timer, which the message box's modal loop dispatches, finds the box, notes
// what it shows and presses the next of the given buttons.
#include <windows.h>

#include <string>
#include <vector>

namespace uitest {

// What one message box showed.
struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  HWND owner = nullptr;
  std::vector<int> buttons;  // ids of the visible push buttons, in creation order
  LPCWSTR icon = nullptr;    // IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION or null
};

class MessageBoxAnswerer {
 public:
  // `answers` in order, one per box; a box beyond them is pressed with IDCANCEL.
  // `mainWindow` is the window under test, which is no message box itself.
  MessageBoxAnswerer(HWND mainWindow, std::vector<int> answers)
      : m_main(mainWindow), m_answers(std::move(answers)) {
    s_current = this;
    m_timer = ::SetTimer(nullptr, 0, kIntervalMs, &MessageBoxAnswerer::OnTimer);
  }
  ~MessageBoxAnswerer() {
    if (m_timer != 0) ::KillTimer(nullptr, m_timer);
    s_current = nullptr;
  }
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  std::vector<SeenMessageBox> seen;

 private:
  static constexpr UINT kIntervalMs = 20;
  static inline MessageBoxAnswerer* s_current = nullptr;

  static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (window != s_current->m_main && ::IsWindowVisible(window) &&
        std::wstring(className) == L"#32770") {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }

  static LPCWSTR IconName(HICON icon) {
    for (LPCWSTR name : {IDI_WARNING, IDI_ERROR, IDI_INFORMATION, IDI_QUESTION}) {
      if (icon != nullptr && icon == ::LoadIconW(nullptr, name)) return name;
    }
    return nullptr;
  }

  static BOOL CALLBACK ReadChild(HWND child, LPARAM into) {
    auto* box = reinterpret_cast<SeenMessageBox*>(into);
    wchar_t className[16] = {};
    ::GetClassNameW(child, className, 16);
    const std::wstring kind = className;
    if (kind == L"Button" && ::IsWindowVisible(child)) {
      box->buttons.push_back(::GetDlgCtrlID(child));
    } else if (kind == L"Static") {
      auto icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
      if (icon != nullptr) {
        box->icon = IconName(icon);
      } else {
        wchar_t text[2048] = {};
        ::GetWindowTextW(child, text, 2048);
        if (text[0] != L'\0') box->text = text;
      }
    }
    return TRUE;
  }

  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    MessageBoxAnswerer* self = s_current;
    if (self == nullptr) return;
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &MessageBoxAnswerer::FindBox,
                        reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    SeenMessageBox seen;
    wchar_t caption[256] = {};
    ::GetWindowTextW(box, caption, 256);
    seen.caption = caption;
    seen.owner = ::GetWindow(box, GW_OWNER);
    ::EnumChildWindows(box, &MessageBoxAnswerer::ReadChild, reinterpret_cast<LPARAM>(&seen));
    const std::size_t index = self->seen.size();
    const int answer = index < self->m_answers.size() ? self->m_answers[index] : IDCANCEL;
    self->seen.push_back(seen);
    // Hidden before the press, so that the next tick does not find it again.
    ::ShowWindow(box, SW_HIDE);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
  }

  HWND m_main;
  std::vector<int> m_answers;
  UINT_PTR m_timer = 0;
};

}  // namespace uitest
