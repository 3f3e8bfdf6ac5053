#pragma once
// A window whose OnInitDialog, OnOK or OnCancel throws, and a watch that
// records the error box the framework's handler guard shows and closes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>
#include <string>

namespace uitest {

enum class ThrowingHandler { kInitDialog, kOk, kCancel };

inline const char* HandlerName(ThrowingHandler handler) {
  switch (handler) {
    case ThrowingHandler::kInitDialog: return "OnInitDialog";
    case ThrowingHandler::kOk: return "OnOK";
    case ThrowingHandler::kCancel: return "OnCancel";
  }
  return "?";
}

// Something that is no std::exception, which the guard must stop as well.
struct NotAStandardException {};

// Throws from the handler named in `where`, of the kind `standard` says; from
// none once `armed` is false.
template <class Window>
class Throwing : public Window {
 public:
  bool armed = true;
  ThrowingHandler where = ThrowingHandler::kInitDialog;
  bool standard = true;

  BOOL OnInitDialog() override {
    BOOL focus = Window::OnInitDialog();
    ThrowIfIn(ThrowingHandler::kInitDialog);
    return focus;
  }
  void OnOK() override {
    ThrowIfIn(ThrowingHandler::kOk);
    Window::OnOK();
  }
  void OnCancel() override {
    ThrowIfIn(ThrowingHandler::kCancel);
    Window::OnCancel();
  }

 private:
  void ThrowIfIn(ThrowingHandler handler) const {
    if (!armed || where != handler) return;
    if (standard) throw std::runtime_error("handler failed");
    throw NotAStandardException{};
  }
};

// What the error boxes shown while the watch ran looked like.
struct ErrorBoxesSeen {
  int count = 0;
  HWND owner = nullptr;
  std::wstring caption;
  std::wstring text;
};

// While alive, closes every message box the thread shows (they run their own
// modal loop, in which the watch's timer fires) and records the last one.
class ErrorBoxWatch {
 public:
  ErrorBoxWatch() {
    s_seen = {};
    m_timer = ::SetTimer(nullptr, 0, 50, &ErrorBoxWatch::Look);
  }
  ~ErrorBoxWatch() { ::KillTimer(nullptr, m_timer); }
  ErrorBoxWatch(const ErrorBoxWatch&) = delete;
  ErrorBoxWatch& operator=(const ErrorBoxWatch&) = delete;

  const ErrorBoxesSeen& Seen() const { return s_seen; }

 private:
  static std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
  }

  // A message box is a dialog (#32770) with an owner; its message is the text
  // of its one static control that has text.
  static BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    wchar_t className[32] = {};
    ::GetClassNameW(window, className, 32);
    if (std::wstring(className) == L"#32770" && ::IsWindowVisible(window) &&
        ::GetWindow(window, GW_OWNER) != nullptr) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL CALLBACK ReadStatic(HWND child, LPARAM text) {
    wchar_t className[32] = {};
    ::GetClassNameW(child, className, 32);
    std::wstring childText = TextOf(child);
    if (_wcsicmp(className, L"Static") == 0 && !childText.empty()) {
      *reinterpret_cast<std::wstring*>(text) = childText;
    }
    return TRUE;
  }
  static void CALLBACK Look(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    ++s_seen.count;
    s_seen.owner = ::GetWindow(box, GW_OWNER);
    s_seen.caption = TextOf(box);
    s_seen.text.clear();
    ::EnumChildWindows(box, &ReadStatic, reinterpret_cast<LPARAM>(&s_seen.text));
    ::EndDialog(box, IDOK);
  }

  static inline ErrorBoxesSeen s_seen;
  UINT_PTR m_timer = 0;
};

// One window, each handler in turn throwing: the window is created all the
// same, each exception shows one error box owned by the window that names the
// error, the handler's work stops there (OK and Cancel end nothing), and the
// window goes on answering: Cancel then ends it.
template <class Window>
void ExpectHandlerExceptionsStopAtTheGuard() {
  struct Row {
    ThrowingHandler where;
    bool standard;
    const wchar_t* text;
  };
  // The same catch serves every handler: each handler once and each kind of
  // exception at least once cover it.
  const Row rows[] = {
      {ThrowingHandler::kInitDialog, true,
       L"An internal error stopped this action: handler failed"},
      {ThrowingHandler::kOk, false, L"An internal error stopped this action."},
      {ThrowingHandler::kCancel, true, L"An internal error stopped this action: handler failed"},
  };
  Throwing<Window> window;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const std::string where =
        "row " + std::to_string(i) + ": " + HandlerName(row.where) +
        (row.standard ? " throws std::runtime_error" : " throws another type");
    window.where = row.where;
    window.standard = row.standard;
    ErrorBoxWatch watch;
    if (row.where == ThrowingHandler::kInitDialog) {
      ASSERT_TRUE(window.Create()) << where;
      ASSERT_TRUE(::IsWindow(window.m_hWnd)) << where;
    } else {
      ::SendMessageW(window.m_hWnd, WM_COMMAND, row.where == ThrowingHandler::kOk ? IDOK : IDCANCEL,
                     0);
    }
    EXPECT_EQ(watch.Seen().count, 1) << where;
    EXPECT_EQ(watch.Seen().owner, window.m_hWnd) << where;
    EXPECT_EQ(watch.Seen().caption, L"Kelvaro") << where;
    EXPECT_EQ(watch.Seen().text, row.text) << where;
    EXPECT_FALSE(window.ModalEnded()) << where << ": the handler stopped before ending the window";
  }
  window.armed = false;
  ::SendMessageW(window.m_hWnd, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(window.ModalEnded()) << "Cancel still works";
  EXPECT_EQ(window.ModalResult(), IDCANCEL);
  window.DestroyWindow();
}

}  // namespace uitest
