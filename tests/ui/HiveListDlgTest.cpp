// The main window in-process, over the fake Windows: what it lists and how the
// ticks, sorting, Defragment button, size limits and keys behave.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/RegistryKeyPaths.h"
#include "platform/fake/FakeWindows.h"
#include "tests/ui/DialogDriver.h"
#include "tests/ui/MessageBoxAnswerer.h"
#include "tests/ui/ThrowingHandlers.h"
#include "tests/ui/WindowTest.h"
#include "ui/HiveListDlg.h"
#include "ui/SpaceDlg.h"
#include "ui/WindowDpi.h"
#include "ui/framework/Resources.h"
#include "ui/logic/DpiScale.h"
#include "ui/res/resource.h"

namespace {

using platform::kHiveListKey;

class HiveListDlgTest : public uitest::WindowTest<CHiveListDlg, IDC_HIVE_LIST> {
 protected:
  void AddHive(const std::wstring& kernelName, const std::wstring& file, std::uint64_t size) {
    fake.registry.PutString(platform::kHKeyLocalMachine, kHiveListKey, kernelName,
                            L"\\Device\\HarddiskVolume1\\" + file);
    fake.files.AddFile(L"C:\\" + file, size);
  }

  void Open() {
    fake.files.AddFolder(L"C:\\Windows\\System32\\config");
    OpenWindow(SW_SHOWNORMAL);
  }

  std::vector<std::wstring> Names() { return uitest::ColumnTexts(list, 0); }
  UINT Tick(int row) { return uitest::StateImage(list, row); }
  bool DefragmentEnabled() { return ::IsWindowEnabled(dialog.GetDlgItem(IDC_DEFRAGMENT)) != FALSE; }
  void AddThree() {
    AddHive(L"\\REGISTRY\\MACHINE\\SYSTEM", L"Windows\\System32\\config\\SYSTEM", 10 * 1024);
    AddHive(L"\\REGISTRY\\MACHINE\\SAM", L"Windows\\System32\\config\\SAM", 9 * 1024);
    AddHive(L"\\REGISTRY\\USER\\.DEFAULT", L"Windows\\System32\\config\\DEFAULT", 2048 * 1024);
  }
};

TEST_F(HiveListDlgTest, OpensWithEveryFoundHiveTickedAndSortedByHive) {
  AddThree();
  fake.registry.PutString(platform::kHKeyLocalMachine, kHiveListKey,
                          L"\\REGISTRY\\MACHINE\\BCD00000000",
                          L"\\Device\\HarddiskVolume9\\Boot\\BCD");
  Open();
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"HKLM\\BCD00000000", L"HKLM\\SAM", L"HKLM\\SYSTEM",
                                                L"HKU\\.DEFAULT"}));
  EXPECT_EQ(uitest::ItemText(list, 1, 1), L"C:\\Windows\\System32\\config\\SAM");
  EXPECT_EQ(uitest::ItemText(list, 1, 2), L"9 KB");
  EXPECT_EQ(uitest::ItemText(list, 3, 2), L"2,048 KB");
  EXPECT_EQ(Tick(0), 0x1000u) << "a hive whose file is not found starts unticked";
  for (int row = 1; row < 4; ++row) EXPECT_EQ(Tick(row), 0x2000u) << "row " << row;
  EXPECT_TRUE(DefragmentEnabled());
  EXPECT_EQ(::SendMessageW(dialog.GetDlgItem(IDC_SHOW_RESULTS), BM_GETCHECK, 0, 0), BST_CHECKED);
  int format = 0;
  EXPECT_EQ(uitest::SortArrowColumn(list, &format), 0);
  EXPECT_EQ(format & HDF_BITMAP_ON_RIGHT, HDF_BITMAP_ON_RIGHT);
}

// Profiles nobody is signed in to follow the loaded hives whichever way the
// names sort, ticked like them (their files have bytes); the tip names the
// account, and a Defragment of such rows alone announces no restart.
TEST_F(HiveListDlgTest, ProfileRowsFollowTheLoadedHivesWithTheirAccountInTheTip) {
  AddThree();
  fake.AddProfile({L"S-1-5-21-7-1002", L"C:\\Users\\bob", {}, 0, {}, L"PC\\bob"},
                  std::vector<std::uint8_t>(8192), std::vector<std::uint8_t>(4096));
  fake.AddProfile({L"S-1-5-21-7-1001", L"C:\\Users\\gone", {}, 0, {}, L""},
                  std::vector<std::uint8_t>(12288));
  Open();
  const std::vector<std::wstring> loaded = {L"HKLM\\SAM", L"HKLM\\SYSTEM", L"HKU\\.DEFAULT"};
  const std::vector<std::wstring> profiles = {L"HKU\\S-1-5-21-7-1001 (not signed in)",
                                              L"HKU\\S-1-5-21-7-1002 (not signed in)",
                                              L"HKU\\S-1-5-21-7-1002_Classes (not signed in)"};
  struct Row {
    const char* order;
    std::vector<std::wstring> names;
  };
  const Row rows[] = {
      {"ascending", {loaded[0], loaded[1], loaded[2], profiles[0], profiles[1], profiles[2]}},
      {"descending", {loaded[2], loaded[1], loaded[0], profiles[2], profiles[1], profiles[0]}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    if (i > 0) uitest::ClickColumnHeading(dialog.m_hWnd, list, 0);
    EXPECT_EQ(Names(), rows[i].names) << "row " << i << ": " << rows[i].order;
  }
  const int bobClasses = 3;  // descending now
  EXPECT_EQ(uitest::ItemText(list, bobClasses, 1),
            L"C:\\Users\\bob\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat");
  EXPECT_EQ(uitest::ItemText(list, bobClasses, 2), L"4 KB");
  EXPECT_EQ(uitest::InfoTip(dialog.m_hWnd, list, bobClasses, 512), L"PC\\bob");
  EXPECT_EQ(uitest::InfoTip(dialog.m_hWnd, list, 5, 512), L"No account has this SID now");
  EXPECT_EQ(uitest::InfoTip(dialog.m_hWnd, list, 0, 512), L"list's own");
  for (int row = 3; row < 6; ++row) EXPECT_EQ(Tick(row), 0x2000u) << "row " << row;

  for (int row = 0; row < 3; ++row) ListView_SetItemState(list, row, 0x1000, LVIS_STATEIMAGEMASK);
  ASSERT_TRUE(DefragmentEnabled());
  uitest::MessageBoxAnswerer answerer(dialog.m_hWnd, {IDCANCEL});
  ::SendMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_DEFRAGMENT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.GetDlgItem(IDC_DEFRAGMENT)));
  ASSERT_EQ(answerer.seen.size(), 1u);
  EXPECT_EQ(answerer.seen[0].text, LoadResourceString(IDS_CONFIRM_PROFILES_NOW).str());
  EXPECT_FALSE(dialog.RunGoing());
  EXPECT_FALSE(dialog.ModalEnded());
  EXPECT_TRUE(fake.registry.scheduledReplacements.empty());
}

TEST_F(HiveListDlgTest, AClickOnTheBoxTogglesAndAClickOnTheTextDoesNot) {
  AddThree();
  Open();
  POINT box{};
  POINT label{};
  ASSERT_TRUE(uitest::FindZone(list, 1, LVHT_ONITEMSTATEICON, &box));
  ASSERT_TRUE(uitest::FindZone(list, 1, LVHT_ONITEMLABEL, &label));
  uitest::Click(dialog.m_hWnd, list, box);
  EXPECT_EQ(Tick(1), 0x1000u);
  uitest::Click(dialog.m_hWnd, list, label);
  EXPECT_EQ(Tick(1), 0x1000u);
  uitest::Click(dialog.m_hWnd, list, box);
  EXPECT_EQ(Tick(1), 0x2000u);
}

TEST_F(HiveListDlgTest, ADoubleClickOnTheTextTogglesOnce) {
  AddThree();
  Open();
  POINT label{};
  ASSERT_TRUE(uitest::FindZone(list, 2, LVHT_ONITEMLABEL, &label));
  uitest::Click(dialog.m_hWnd, list, label, true);
  EXPECT_EQ(Tick(2), 0x1000u);
}

TEST_F(HiveListDlgTest, SpaceTogglesTheSelectedRow) {
  AddThree();
  Open();
  ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  uitest::Key(dialog.m_hWnd, list, VK_SPACE);
  EXPECT_EQ(Tick(0), 0x1000u);
  uitest::Key(dialog.m_hWnd, list, VK_SPACE);
  EXPECT_EQ(Tick(0), 0x2000u);
  EXPECT_EQ(Tick(1), 0x2000u) << "unselected rows stay as they are";
}

TEST_F(HiveListDlgTest, DefragmentFollowsTheTicks) {
  AddHive(L"\\REGISTRY\\MACHINE\\SYSTEM", L"Windows\\System32\\config\\SYSTEM", 4096);
  Open();
  ASSERT_TRUE(DefragmentEnabled());
  ListView_SetItemState(list, 0, 0x1000, LVIS_STATEIMAGEMASK);
  EXPECT_TRUE(uitest::PumpUntil(dialog.m_hWnd, [&] { return !DefragmentEnabled(); }));
  ListView_SetItemState(list, 0, 0x2000, LVIS_STATEIMAGEMASK);
  EXPECT_TRUE(uitest::PumpUntil(dialog.m_hWnd, [&] { return DefragmentEnabled(); }));
}

TEST_F(HiveListDlgTest, AnEmptyListDisablesDefragment) {
  Open();
  EXPECT_TRUE(Names().empty());
  EXPECT_FALSE(DefragmentEnabled());
  EXPECT_EQ(uitest::SortArrowColumn(list), 0);
}

TEST_F(HiveListDlgTest, ColumnClicksSortAndMoveTheArrow) {
  AddThree();
  Open();
  uitest::ClickColumnHeading(dialog.m_hWnd, list, 0);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"HKU\\.DEFAULT", L"HKLM\\SYSTEM", L"HKLM\\SAM"}));
  EXPECT_EQ(uitest::SortArrowColumn(list), 0);
  EXPECT_FALSE(dialog.m_bSortAscending);
  uitest::ClickColumnHeading(dialog.m_hWnd, list, 2);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"HKLM\\SAM", L"HKLM\\SYSTEM", L"HKU\\.DEFAULT"}))
      << "9 KB before 10 KB: sizes sort as numbers";
  EXPECT_EQ(uitest::SortArrowColumn(list), 2);
  EXPECT_TRUE(dialog.m_bSortAscending);
}

TEST_F(HiveListDlgTest, TheWindowKeepsItsMinimumSizeAtItsDpi) {
  Open();
  const int dpi = CheckedWindowDpi();
  MINMAXINFO limits{};
  ::SendMessageW(dialog.m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_GE(limits.ptMinTrackSize.x, uilogic::ScaleForDpi(400, dpi))
      << dpi << " dpi; wider when the row of buttons needs it";
  EXPECT_EQ(limits.ptMinTrackSize.y, uilogic::ScaleForDpi(200, dpi)) << dpi << " dpi";
  // The system holds the window to it.
  ::SetWindowPos(dialog.m_hWnd, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
  RECT window{};
  ::GetWindowRect(dialog.m_hWnd, &window);
  EXPECT_EQ(window.right - window.left, limits.ptMinTrackSize.x) << dpi << " dpi";
  EXPECT_EQ(window.bottom - window.top, uilogic::ScaleForDpi(200, dpi)) << dpi << " dpi";
}

TEST_F(HiveListDlgTest, HiveAndFilenameAre355WideAtTheWindowsDpiAndSizeTakesTheRest) {
  Open();
  const int dpi = CheckedWindowDpi();
  // 355 at 96 dpi, 533 at 144; no resize yet, so Size still has the list's
  // width less the other two and a scroll bar. Compact Size comes with an analysis.
  const int named = uilogic::ScaleForDpi(355, dpi);
  const int size = uitest::ClientWidth(list) - ::GetSystemMetrics(SM_CXVSCROLL) - 2 * named;
  ASSERT_GT(size, 0) << dpi << " dpi: the default size leaves Size some room";
  EXPECT_EQ(uitest::ColumnWidths(list), (std::vector<int>{named, named, size})) << dpi << " dpi";
}

// "Where the space goes" on its own, at the prefix's DPI: its caption names the
// hive, every row is listed as given, Size and Share keep their designed
// widths scaled, and Key takes the rest, room enough for a deep key's name.
class SpaceDlgTest : public uitest::WindowTest<CSpaceDlg, IDC_SPACE_LIST> {};

TEST_F(SpaceDlgTest, ListsTheRowsWithTheColumnsScaledToTheDpi) {
  const std::vector<std::vector<std::wstring>> rows = {
      {L"HKLM\\SYSTEM", L"8,000 KB", L"97.7%"},
      {L"HKLM\\SYSTEM\\ControlSet001", L"3,072 KB", L"37.5%"},
      {L"HKLM\\SYSTEM\\ControlSet001\\Services\\Tcpip\\Parameters", L"1,205 KB", L"14.7%"},
  };
  dialog.m_hiveName = L"HKLM\\SYSTEM";
  for (const auto& row : rows) dialog.m_rows.push_back({row[0], row[1], row[2]});
  OpenWindow(SW_SHOWNORMAL);
  const int dpi = CheckedWindowDpi();
  EXPECT_EQ(dialog.GetWindowText().str(), L"Where the space goes: HKLM\\SYSTEM");
  for (int column = 0; column < 3; ++column) {
    std::vector<std::wstring> expected;
    for (const auto& row : rows) expected.push_back(row[static_cast<std::size_t>(column)]);
    EXPECT_EQ(uitest::ColumnTexts(list, column), expected) << "column " << column;
  }
  const int size = uilogic::ScaleForDpi(100, dpi);
  const int share = uilogic::ScaleForDpi(70, dpi);
  const int key = uitest::ClientWidth(list) - ::GetSystemMetrics(SM_CXVSCROLL) - size - share;
  EXPECT_EQ(uitest::ColumnWidths(list), (std::vector<int>{key, size, share})) << dpi << " dpi";
  const int margins = 2 * ::GetSystemMetrics(SM_CXEDGE) + 12;
  EXPECT_LE(ListView_GetStringWidth(list, rows[2][0].c_str()) + margins, key) << dpi << " dpi";
  for (std::size_t row = 0; row < rows.size(); ++row) {
    EXPECT_LE(ListView_GetStringWidth(list, rows[row][2].c_str()) + margins, share)
        << dpi << " dpi, row " << row;
  }
  uitest::Key(dialog.m_hWnd, list, VK_RETURN);
  EXPECT_TRUE(dialog.ModalEnded()) << "Enter is OK, which closes it";
}

// The fallback for systems before GetDpiForWindow: the screen's DPI.
TEST(WindowDpiTest, WithoutAWindowTheScreensDpiAnswers) {
  EXPECT_EQ(WindowDpi(nullptr), uitest::PrefixDpi());
}

// A control's rectangle in the dialog's client coordinates.
RECT InClient(HWND dialog, HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_F(HiveListDlgTest, TheLayoutHoldsAtTheMinimumAndAtALargeSize) {
  AddThree();
  Open();
  const RECT templateList = InClient(dialog.m_hWnd, list);
  const int mx = templateList.left;
  const int my = templateList.top;
  MINMAXINFO limits{};
  ::SendMessageW(dialog.m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  struct Row {
    int width;
    int height;
  };
  const Row rows[] = {
      {static_cast<int>(limits.ptMinTrackSize.x), static_cast<int>(limits.ptMinTrackSize.y)},
      {1600, 1000},
      {static_cast<int>(limits.ptMinTrackSize.x) + 1, 600},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string where = "row " + std::to_string(i) + ": " + std::to_string(rows[i].width) +
                              " x " + std::to_string(rows[i].height);
    ::SetWindowPos(dialog.m_hWnd, nullptr, 0, 0, rows[i].width, rows[i].height,
                   SWP_NOMOVE | SWP_NOZORDER);
    uitest::Pump(dialog.m_hWnd);
    RECT client{};
    ::GetClientRect(dialog.m_hWnd, &client);
    const RECT listRect = InClient(dialog.m_hWnd, list);
    const RECT status = InClient(dialog.m_hWnd, dialog.GetDlgItem(IDC_STATUS_LINE));
    const RECT check = InClient(dialog.m_hWnd, dialog.GetDlgItem(IDC_SHOW_RESULTS));
    const RECT analyze = InClient(dialog.m_hWnd, dialog.GetDlgItem(IDC_ANALYZE));
    const RECT defragment = InClient(dialog.m_hWnd, dialog.GetDlgItem(IDC_DEFRAGMENT));
    const RECT cancel = InClient(dialog.m_hWnd, dialog.GetDlgItem(IDCANCEL));
    EXPECT_EQ(client.right - cancel.right, mx) << where;
    EXPECT_EQ(cancel.left - defragment.right, mx) << where;
    EXPECT_EQ(defragment.left - analyze.right, mx) << where;
    EXPECT_GE(analyze.left - check.right, mx) << where << ": Analyze clear of the check box";
    EXPECT_EQ(analyze.right - analyze.left, cancel.right - cancel.left) << where;
    EXPECT_EQ(analyze.top, cancel.top) << where;
    EXPECT_EQ(client.bottom - cancel.bottom, my) << where;
    EXPECT_EQ(cancel.top - status.bottom, my) << where;
    EXPECT_EQ(status.top - listRect.bottom, my) << where;
    EXPECT_EQ(status.left, listRect.left) << where;
    EXPECT_EQ(status.right, listRect.right) << where;
    EXPECT_EQ(listRect.right, client.right - mx) << where;
    EXPECT_GT(listRect.bottom - listRect.top, 0) << where;
  }
}

TEST_F(HiveListDlgTest, ResizingLaysTheControlsOutAndMaximisingHidesTheGrip) {
  Open();
  ::SetWindowPos(dialog.m_hWnd, nullptr, 0, 0, 900, 500, SWP_NOMOVE | SWP_NOZORDER);
  uitest::Pump(dialog.m_hWnd);
  RECT client{};
  ::GetClientRect(dialog.m_hWnd, &client);
  RECT cancel{};
  ::GetWindowRect(dialog.GetDlgItem(IDCANCEL), &cancel);
  ::MapWindowPoints(nullptr, dialog.m_hWnd, reinterpret_cast<POINT*>(&cancel), 2);
  RECT listRect{};
  ::GetWindowRect(list, &listRect);
  ::MapWindowPoints(nullptr, dialog.m_hWnd, reinterpret_cast<POINT*>(&listRect), 2);
  EXPECT_EQ(client.right - cancel.right, listRect.left) << "Cancel keeps the list's margin";
  EXPECT_EQ(client.bottom - cancel.bottom, listRect.top);
  EXPECT_TRUE(dialog.m_bGripVisible);

  RECT window{};
  ::GetWindowRect(dialog.m_hWnd, &window);
  // A point just inside the lower right corner of the client area.
  POINT corner{client.right - 2, client.bottom - 2};
  ::ClientToScreen(dialog.m_hWnd, &corner);
  (void)window;
  LRESULT hit = ::SendMessageW(dialog.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y));
  EXPECT_EQ(hit, HTBOTTOMRIGHT);

  ::ShowWindow(dialog.m_hWnd, SW_MAXIMIZE);
  EXPECT_TRUE(uitest::PumpUntil(dialog.m_hWnd, [&] { return !dialog.m_bGripVisible; }));
  ::GetClientRect(dialog.m_hWnd, &client);
  corner = POINT{client.right - 2, client.bottom - 2};
  ::ClientToScreen(dialog.m_hWnd, &corner);
  hit = ::SendMessageW(dialog.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y));
  EXPECT_NE(hit, HTBOTTOMRIGHT);
  ::ShowWindow(dialog.m_hWnd, SW_RESTORE);
  EXPECT_TRUE(uitest::PumpUntil(dialog.m_hWnd, [&] { return dialog.m_bGripVisible; }));
}

TEST_F(HiveListDlgTest, EnterInTheListDoesNothingAndEscapeCancels) {
  AddThree();
  Open();
  uitest::Key(dialog.m_hWnd, list, VK_RETURN);
  EXPECT_FALSE(dialog.ModalEnded());
  EXPECT_TRUE(::IsWindowVisible(dialog.m_hWnd));
  uitest::Key(dialog.m_hWnd, list, VK_ESCAPE);
  EXPECT_TRUE(dialog.ModalEnded());
  EXPECT_EQ(dialog.ModalResult(), IDCANCEL);
}

TEST_F(HiveListDlgTest, DestroyingTheWindowReleasesEveryRecord) {
  AddThree();
  Open();
  EXPECT_EQ(Names().size(), 3u);
  EXPECT_EQ(dialog.m_hives.size(), 3u);
  dialog.DestroyWindow();
  EXPECT_EQ(dialog.m_hWnd, nullptr);
  EXPECT_TRUE(dialog.m_hives.empty());
}

TEST_F(HiveListDlgTest, ExceptionsFromInitOkAndCancelStopAtTheHandlerGuard) {
  uitest::ExpectHandlerExceptionsStopAtTheGuard<CHiveListDlg>();
}

TEST_F(HiveListDlgTest, QueryDragIconAnswersTheSmallIcon) {
  Open();
  ExpectDragIconIsTheSmallIcon();
}

}  // namespace
