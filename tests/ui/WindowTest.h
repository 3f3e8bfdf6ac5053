#pragma once
// The fixture both windows' tests share: one window of type `Window` in-process
// over a fresh fake Windows, its list control at hand, destroyed after the test.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/fake/FakeWindows.h"
#include "tests/ui/DialogDriver.h"

namespace uitest {

template <class Window, int listId>
class WindowTest : public ::testing::Test {
 protected:
  platform::fake::FakeWindows fake;
  platform::ScopedPlatform installed{fake};
  Window dialog;
  HWND list = nullptr;

  // Creates the window, shows it with `show` and handles what that queues.
  void OpenWindow(int show) {
    ASSERT_TRUE(dialog.Create());
    list = dialog.GetDlgItem(listId);
    ::ShowWindow(dialog.m_hWnd, show);
    Pump(dialog.m_hWnd);
  }
  void Close() {
    if (dialog.m_hWnd != nullptr) dialog.DestroyWindow();
  }
  void TearDown() override { Close(); }

  // A dialog procedure answers WM_QUERYDRAGICON through its return value: the small icon.
  void ExpectDragIconIsTheSmallIcon() {
    auto dragged = reinterpret_cast<HICON>(::SendMessageW(dialog.m_hWnd, WM_QUERYDRAGICON, 0, 0));
    auto smallIcon =
        reinterpret_cast<HICON>(::SendMessageW(dialog.m_hWnd, WM_GETICON, ICON_SMALL, 0));
    EXPECT_NE(dragged, nullptr);
    EXPECT_EQ(dragged, smallIcon);
  }
};

}  // namespace uitest
