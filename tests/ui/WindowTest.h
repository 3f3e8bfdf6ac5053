#pragma once
// The fixture both windows' tests share: one window of type `Window` in-process
// over a fresh fake Windows, its list control at hand, destroyed after the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/FakeMachine.h"
#include "tests/ui/DialogDriver.h"
#include "ui/WindowDpi.h"

namespace uitest {

// The DPI the test's Wine prefix runs at: KELVARO_TEST_DPI when the test is
// registered for another one, else the 96 of an untouched prefix.
inline int PrefixDpi() {
  const char* dpi = std::getenv("KELVARO_TEST_DPI");
  return dpi != nullptr && *dpi != '\0' ? std::atoi(dpi) : 96;
}

// A list view's column widths, first column first.
inline std::vector<int> ColumnWidths(HWND list) {
  HWND header = reinterpret_cast<HWND>(::SendMessageW(list, LVM_GETHEADER, 0, 0));
  const int columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  std::vector<int> widths;
  for (int column = 0; column < columns; ++column) {
    widths.push_back(
        static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)));
  }
  return widths;
}

// A window's client width.
inline int ClientWidth(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  return client.right - client.left;
}

template <class Window, int listId>
class WindowTest : public ::testing::Test {
 protected:
  test_support::FakeMachine fake;
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

  // The window runs at the prefix's DPI; the DPI its layout rules get.
  int CheckedWindowDpi() {
    const int dpi = WindowDpi(dialog.m_hWnd);
    EXPECT_EQ(dpi, PrefixDpi()) << "the window's DPI is not the prefix's";
    return dpi;
  }

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
