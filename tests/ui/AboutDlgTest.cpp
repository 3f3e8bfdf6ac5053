// The About box in-process: opened from the main window's system menu, its link
// drawn blue and underlined, hit-testing as client area, and a failed shell
// open leaving the exact address on the clipboard.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/FakeMachine.h"
#include "tests/ui/DialogDriver.h"
#include "ui/AboutDlg.h"
#include "ui/HiveListDlg.h"
#include "ui/ResultsDlg.h"
#include "ui/res/resource.h"

namespace {

struct AboutSeen {
  bool opened = false;
  HWND owner = nullptr;
  std::wstring link;
  bool blue = false;
  bool underlined = false;
  bool hollowBrush = false;
  LRESULT hitTest = 0;
};
AboutSeen g_seen;

// Runs inside the About box's modal loop: looks at the box, then closes it.
void CALLBACK InspectAbout(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND about = ::FindWindowW(L"#32770", L"About Kelvaro");
  if (about == nullptr) return;
  ::KillTimer(nullptr, timer);
  g_seen.opened = true;
  g_seen.owner = ::GetWindow(about, GW_OWNER);
  HWND link = ::GetDlgItem(about, IDC_WEB_LINK);
  wchar_t text[256] = {};
  ::GetWindowTextW(link, text, 256);
  g_seen.link = text;
  HDC dc = ::CreateCompatibleDC(nullptr);
  auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
      about, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link)));
  g_seen.hollowBrush = brush == static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
  g_seen.blue = ::GetTextColor(dc) == RGB(0, 0, 255);
  LOGFONTW font{};
  ::GetObjectW(::GetCurrentObject(dc, OBJ_FONT), sizeof font, &font);
  g_seen.underlined = font.lfUnderline != 0;
  ::DeleteDC(dc);
  g_seen.hitTest = ::SendMessageW(link, WM_NCHITTEST, 0, MAKELPARAM(10000, 10000));
  ::PostMessageW(about, WM_COMMAND, IDOK, 0);
}

// Shows `window`, chooses the About entry of its system menu and records what
// the About box looked like while it was open.
void ChooseAboutFrom(CDialog& window) {
  ASSERT_TRUE(window.Create());
  ::ShowWindow(window.m_hWnd, SW_SHOW);
  ::SetActiveWindow(window.m_hWnd);
  uitest::Pump(window.m_hWnd);
  g_seen = {};
  ::SetTimer(nullptr, 0, 50, &InspectAbout);
  ::SendMessageW(window.m_hWnd, WM_SYSCOMMAND, 0x0010, 0);
}

TEST(AboutBox, OpensFromTheMainWindowsSystemMenuWithABlueUnderlinedLink) {
  test_support::FakeMachine fake;
  CHiveListDlg dialog;
  ChooseAboutFrom(dialog);
  EXPECT_TRUE(g_seen.opened);
  EXPECT_EQ(g_seen.owner, dialog.m_hWnd) << "modal over the main window";
  EXPECT_EQ(g_seen.link.rfind(L"https://", 0), 0u);
  EXPECT_TRUE(g_seen.blue);
  EXPECT_TRUE(g_seen.underlined);
  EXPECT_TRUE(g_seen.hollowBrush);
  EXPECT_EQ(g_seen.hitTest, HTCLIENT) << "even far outside the control";
  dialog.DestroyWindow();
}

TEST(AboutBox, OpensFromTheResultsWindowsSystemMenu) {
  test_support::FakeMachine fake;
  CResultsDlg dialog;
  ChooseAboutFrom(dialog);
  EXPECT_TRUE(g_seen.opened);
  EXPECT_EQ(g_seen.owner, dialog.m_hWnd);
  dialog.DestroyWindow();
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text = chars;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

TEST(HyperlinkStatic, AFailedShellOpenLeavesTheExactAddressOnTheClipboard) {
  test_support::FakeMachine fake;
  fake.faults.Fail("IShellDispatch2::ShellExecute", platform::kErrorAccessDenied);
  CAboutDlg about;
  ASSERT_TRUE(about.Create());
  uitest::Pump(about.m_hWnd);
  HWND link = about.GetDlgItem(IDC_WEB_LINK);
  wchar_t address[256] = {};
  ::GetWindowTextW(link, address, 256);
  ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(ClipboardText(), address);
  EXPECT_TRUE(fake.shell.opened.empty());
  about.DestroyWindow();
}

TEST(HyperlinkStatic, AClickOpensTheAddressWithTheShell) {
  test_support::FakeMachine fake;
  CAboutDlg about;
  ASSERT_TRUE(about.Create());
  HWND link = about.GetDlgItem(IDC_WEB_LINK);
  wchar_t address[256] = {};
  ::GetWindowTextW(link, address, 256);
  ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ASSERT_EQ(fake.shell.opened.size(), 1u);
  EXPECT_EQ(fake.shell.opened[0], address);
  about.DestroyWindow();
}

}  // namespace
