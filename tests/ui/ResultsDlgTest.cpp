// The results window in-process, over the fake Windows arranged as after a
// restart: what it lists, how it sorts, and when closing removes the backup.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "compaction/RunRecord.h"
#include "platform/RegistryKeyPaths.h"
#include "compaction/CompactionRun.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/FakeHiveBytes.h"
#include "platform/fake/FakeWindows.h"
#include "tests/support/Narrow.h"
#include "tests/ui/DialogDriver.h"
#include "tests/ui/ThrowingHandlers.h"
#include "tests/ui/WindowTest.h"
#include "ui/ResultsDlg.h"
#include "ui/logic/ColumnWidths.h"
#include "ui/res/resource.h"

namespace {

using platform::kHiveListKey;
using platform::kRunOnceKey;
// The last run's backups; its record lists the hives it swapped.
constexpr const wchar_t* kBackup = L"C:\\Windows\\Kelvaro Backup\\Run-1";
constexpr const wchar_t* kRecord = L"C:\\Windows\\Kelvaro\\Records\\Run-1.record";

class ResultsDlgTest : public uitest::WindowTest<CResultsDlg, IDC_RESULTS_LIST> {
 protected:
  void SetUp() override {
    fake.files.AddFolder(L"C:\\Windows\\System32\\config");
    for (const wchar_t* folder : {L"C:\\Windows\\Kelvaro", L"C:\\Windows\\Kelvaro\\Records",
                                  L"C:\\Windows\\Kelvaro Backup", kBackup}) {
      fake.files.MakeDirectoryWithSecurity(folder, platform::ProtectedDescriptor());
    }
    record.number = 1;
    AddHive(L"SOFTWARE", 40 * 1024 * 1024, 30 * 1024 * 1024);
    AddHive(L"SYSTEM", 9 * 1024, 8 * 1024);
    AddHive(L"SAM", 10 * 1024, 2 * 1024);
    fake.files.WriteFile(kRecord, RunRecordText(record));
    fake.registry.PutString(platform::kHKeyLocalMachine, kRunOnceKey, L"Kelvaro",
                            L"\"C:\\Program Files\\Kelvaro\\Kelvaro.exe\" /results");
  }

  void AddHive(const std::wstring& leaf, std::uint64_t previous, std::uint64_t current) {
    fake.registry.PutString(platform::kHKeyLocalMachine, kHiveListKey,
                            L"\\REGISTRY\\MACHINE\\" + leaf,
                            L"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\" + leaf);
    fake.files.AddFile(L"C:\\Windows\\System32\\config\\" + leaf, current);
    fake.files.AddFile(std::wstring(kBackup) + L"\\" + leaf, previous);
    RecordedHive hive;
    hive.state = SwapState::kScheduled;
    hive.name = L"HKLM\\" + leaf;
    hive.liveFile = L"C:\\Windows\\System32\\config\\" + leaf;
    hive.liveSize = previous;
    hive.copySize = current;
    hive.backupFile = std::wstring(kBackup) + L"\\" + leaf;
    record.hives.push_back(hive);
  }

  RunRecord record;

  void Open() { OpenWindow(SW_SHOW); }

  void TickDeleteBackup() {
    ::SendMessageW(dialog.GetDlgItem(IDC_DELETE_BACKUP), BM_SETCHECK, BST_CHECKED, 0);
  }

  std::vector<std::wstring> Column(int column) { return uitest::ColumnTexts(list, column); }
  bool BackupLeft() { return fake.files.Exists(kBackup); }
};

TEST_F(ResultsDlgTest, ListsEachHiveWithItsSizesAndRemovesTheStartupValue) {
  Open();
  EXPECT_EQ(Column(0),
            (std::vector<std::wstring>{L"HKLM\\SAM", L"HKLM\\SOFTWARE", L"HKLM\\SYSTEM"}));
  EXPECT_EQ(Column(1), (std::vector<std::wstring>{L"10 KB", L"40,960 KB", L"9 KB"}));
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"2 KB", L"30,720 KB", L"8 KB"}));
  EXPECT_FALSE(fake.registry.GetValue(platform::kHKeyLocalMachine, kRunOnceKey, L"Kelvaro"))
      << "the start-up value goes as the window opens";
  EXPECT_EQ(::SendMessageW(dialog.GetDlgItem(IDC_DELETE_BACKUP), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(ResultsDlgTest, SizeColumnsSortAsNumbers) {
  Open();
  uitest::ClickColumnHeading(dialog.m_hWnd, list, 1);
  EXPECT_EQ(Column(1), (std::vector<std::wstring>{L"9 KB", L"10 KB", L"40,960 KB"}));
  uitest::ClickColumnHeading(dialog.m_hWnd, list, 2);
  uitest::ClickColumnHeading(dialog.m_hWnd, list, 2);
  EXPECT_EQ(Column(2), (std::vector<std::wstring>{L"30,720 KB", L"8 KB", L"2 KB"}))
      << "Current Size twice: the largest first";
}

TEST_F(ResultsDlgTest, OkWithTheBoxTickedRemovesTheBackup) {
  Open();
  TickDeleteBackup();
  ::SendMessageW(dialog.m_hWnd, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(dialog.ModalResult(), IDOK);
  Close();
  EXPECT_FALSE(BackupLeft());
}

TEST_F(ResultsDlgTest, ClosingAnyOtherWayRemovesNothing) {
  struct Row {
    const char* how;
    bool tick;
    UINT message;
    WPARAM wParam;
  };
  const Row rows[] = {
      {"OK with the box unticked", false, WM_COMMAND, IDOK},
      {"Escape with the box ticked", true, WM_COMMAND, IDCANCEL},
      {"the close box with the box ticked", true, WM_SYSCOMMAND, SC_CLOSE},
  };
  for (const Row& row : rows) {
    CResultsDlg window;
    ASSERT_TRUE(window.Create());
    if (row.tick) {
      ::SendMessageW(window.GetDlgItem(IDC_DELETE_BACKUP), BM_SETCHECK, BST_CHECKED, 0);
    }
    ::SendMessageW(window.m_hWnd, row.message, row.wParam, 0);
    uitest::Pump(window.m_hWnd);
    EXPECT_TRUE(window.ModalEnded()) << row.how;
    window.DestroyWindow();
    EXPECT_TRUE(fake.files.Exists(std::wstring(kBackup) + L"\\SOFTWARE")) << row.how;
  }
}

TEST_F(ResultsDlgTest, TheWindowCannotBeResized) {
  Open();
  LONG style = ::GetWindowLongW(dialog.m_hWnd, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
  RECT window{};
  ::GetWindowRect(dialog.m_hWnd, &window);
  POINT corner{window.right - 2, window.bottom - 2};
  LRESULT hit = ::SendMessageW(dialog.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(corner.x, corner.y));
  EXPECT_NE(hit, HTBOTTOMRIGHT);
}

TEST_F(ResultsDlgTest, TheColumnsHaveTheRulesWidthsAtTheWindowsDpi) {
  Open();
  const int dpi = CheckedWindowDpi();
  const std::array<int, 3> expected = uilogic::ResultsListColumnWidths(
      uitest::ClientWidth(list), ::GetSystemMetrics(SM_CXVSCROLL), dpi);
  EXPECT_EQ(uitest::ColumnWidths(list), std::vector<int>(expected.begin(), expected.end()))
      << dpi << " dpi";
}

// A hive loaded from real bytes, compacted by a run, written to after its
// save, then the restart: the box under the list names the write.
TEST_F(ResultsDlgTest, TheChangesTheCopyMissedAreListedUnderTheList) {
  const std::wstring live = L"C:\\Windows\\System32\\config\\COMPONENTS";
  platform::fake::FakeKey content;
  content.name = L"COMPONENTS";
  content.values.push_back({L"Gone", platform::kRegBinary, std::vector<std::uint8_t>(40000, 7)});
  fake.MountHiveFile(platform::kHKeyLocalMachine, L"COMPONENTS", live,
                     platform::fake::SavedHiveBytes(content, platform::kRegLatestFormat));
  fake.registry.FindKey(platform::kHKeyLocalMachine, L"COMPONENTS")->values.clear();
  HiveEntry entry;
  entry.name = L"HKLM\\COMPONENTS";
  entry.path.SetPath(live.c_str());
  entry.size = *fake.files.SizeOf(live);
  ASSERT_EQ(RunCompaction({CompactionRow{&entry, true}}, false, L"restarting").scheduled, 1);
  fake.registry.EnsureKey(platform::kHKeyLocalMachine, L"COMPONENTS\\Late");
  fake.WriteHivesToFiles();
  fake.Restart();

  Open();
  const HWND details = dialog.GetDlgItem(IDC_LOST_WRITES);
  wchar_t text[1024] = {};
  ::GetWindowTextW(details, text, static_cast<int>(std::size(text)));
  const std::wstring shown = text;
  const int dpi = CheckedWindowDpi();
  EXPECT_NE(shown.find(L"HKLM\\COMPONENTS: 1 changes made after the copy was taken are not in "
                       L"the compacted hive\r\n    HKLM\\COMPONENTS\\Late: key added"),
            std::wstring::npos)
      << dpi << " dpi: " << test_support::Narrow(shown);
  EXPECT_NE(shown.find(L"the copy was"), std::wstring::npos) << dpi << " dpi";
  EXPECT_TRUE(::IsWindowEnabled(dialog.GetDlgItem(IDC_PUT_BACK))) << dpi << " dpi";
  // The box lies between the list and the buttons at every DPI.
  RECT listRect{}, detailsRect{}, okRect{};
  ::GetWindowRect(list, &listRect);
  ::GetWindowRect(details, &detailsRect);
  ::GetWindowRect(dialog.GetDlgItem(IDOK), &okRect);
  EXPECT_LE(listRect.bottom, detailsRect.top) << dpi << " dpi";
  EXPECT_LE(detailsRect.bottom, okRect.top) << dpi << " dpi";
}

TEST_F(ResultsDlgTest, WithoutARunOnRecordTheBoxIsEmptyAndNothingIsOffered) {
  fake.files.Remove(kRecord);
  Open();
  EXPECT_EQ(::GetWindowTextLengthW(dialog.GetDlgItem(IDC_LOST_WRITES)), 0);
  EXPECT_FALSE(::IsWindowEnabled(dialog.GetDlgItem(IDC_PUT_BACK)));
}

TEST_F(ResultsDlgTest, ExceptionsFromInitOkAndCancelStopAtTheHandlerGuard) {
  uitest::ExpectHandlerExceptionsStopAtTheGuard<CResultsDlg>();
}

TEST_F(ResultsDlgTest, QueryDragIconAnswersTheSmallIcon) {
  Open();
  ExpectDragIconIsTheSmallIcon();
}

}  // namespace
