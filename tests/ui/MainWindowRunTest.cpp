// The main window's runs in-process, over the fake Windows with real hive
// bytes: the Defragment handler's message boxes and what each answer leaves
// behind, and the worker thread that runs it while the window stays usable.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/RegistryKeyPaths.h"
#include "platform/fake/FakeWindows.h"
#include "tests/ui/DialogDriver.h"
#include "tests/ui/MessageBoxAnswerer.h"
#include "ui/HiveListDlg.h"
#include "ui/framework/Resources.h"
#include "ui/res/resource.h"

namespace {

using platform::KeyHandle;
using platform::kHKeyLocalMachine;
using platform::kHKeyUsers;

constexpr std::uint64_t kMiB = 1024 * 1024;
// Smaller than any hive file: a compact copy of such a hive never gains.
constexpr std::uint64_t kTinyHive = 4096;

struct Hive {
  KeyHandle root;
  const wchar_t* keyName;
  std::uint64_t size;
  bool loaded;  // false: only the hive list and the file, no key behind them
};

const Hive kSystem{kHKeyLocalMachine, L"SYSTEM", 12 * kMiB, true};
const Hive kTinySam{kHKeyLocalMachine, L"SAM", kTinyHive, true};
const Hive kDefault{kHKeyUsers, L".DEFAULT", 1 * kMiB, true};
const Hive kComponentsWithoutKey{kHKeyLocalMachine, L"COMPONENTS", 40 * kMiB, false};
const Hive kDriversWithoutKey{kHKeyLocalMachine, L"DRIVERS", 12 * kMiB, false};

std::wstring Text(UINT id) { return LoadResourceString(id).str(); }

// One main window over its own fake machine, created and shown as start-up does.
class MainWindow {
 public:
  explicit MainWindow(const std::vector<Hive>& hives) {
    fake.files.AddFolder(L"C:\\Windows\\System32\\config");
    for (const Hive& hive : hives) {
      const std::wstring file = std::wstring(L"C:\\Windows\\System32\\config\\") + hive.keyName;
      if (hive.loaded) {
        fake.MountHive(hive.root, hive.keyName, file, hive.size);
      } else {
        fake.registry.PutString(
            kHKeyLocalMachine, platform::kHiveListKey,
            std::wstring(hive.root == kHKeyUsers ? L"\\REGISTRY\\USER\\"
                                                 : L"\\REGISTRY\\MACHINE\\") +
                hive.keyName,
            L"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\" + std::wstring(hive.keyName));
        fake.files.AddFile(file, hive.size);
      }
    }
    created = dialog.Create() != FALSE;
    if (!created) return;
    ::ShowWindow(dialog.m_hWnd, SW_SHOWNORMAL);
    uitest::Pump(dialog.m_hWnd);
  }
  ~MainWindow() {
    if (dialog.m_hWnd != nullptr) dialog.DestroyWindow();
  }

  void Press(int id) {
    ::PostMessageW(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(dialog.GetDlgItem(id)));
  }
  bool Enabled(int id) const { return ::IsWindowEnabled(dialog.GetDlgItem(id)) != FALSE; }
  // Pumps until the run the last press started is over, the window ended or
  // `boxes` message boxes were answered.
  bool PumpUntilSettled(const uitest::MessageBoxAnswerer& answerer, std::size_t boxes) {
    return uitest::PumpUntil(dialog.m_hWnd,
                             [&] { return answerer.seen.size() >= boxes && !dialog.RunGoing(); });
  }

  platform::fake::FakeWindows fake;
  platform::ScopedPlatform installed{fake};
  CHiveListDlg dialog;
  bool created = false;
};

struct ExpectedBox {
  std::wstring text;
  LPCWSTR icon;
  std::vector<int> buttons;
};

TEST(DefragmentHandlerTest, EachAnswerAndOutcome) {
  const ExpectedBox confirmation{Text(IDS_CONFIRM_DEFRAGMENT), IDI_WARNING, {IDOK, IDCANCEL}};
  struct Row {
    const char* what;
    std::vector<Hive> hives;
    std::vector<int> answers;
    std::vector<ExpectedBox> boxes;
    bool windowEnds;
    std::size_t scheduled;
  };
  const std::vector<Row> rows = {
      {"Cancel at the confirmation", {kSystem, kDefault}, {IDCANCEL}, {confirmation}, false, 0},
      {"nothing could be saved: string 111, then each hive and why",
       {kDriversWithoutKey, kComponentsWithoutKey},
       {IDOK, IDOK},
       {confirmation,
        {Text(IDS_NOTHING_COMPACTED) + L"\r\n\r\n" + Text(IDS_LEFT_AS_THEY_ARE) +
             L"\r\nHKLM\\COMPONENTS: " + Text(IDS_REASON_NOT_SAVED) + L"\r\nHKLM\\DRIVERS: " +
             Text(IDS_REASON_NOT_SAVED),
         IDI_ERROR,
         {IDOK}}},
       false,
       0},
      {"nothing would gain: string 111 alone is not enough, the hive is named",
       {kTinySam},
       {IDOK, IDOK},
       {confirmation,
        {Text(IDS_NOTHING_COMPACTED) + L"\r\n\r\n" + Text(IDS_LEFT_AS_THEY_ARE) +
             L"\r\nHKLM\\SAM: " + Text(IDS_REASON_NO_GAIN),
         IDI_ERROR,
         {IDOK}}},
       false,
       0},
      {"one scheduled, one left: the hive left is named before the restart",
       {kSystem, kTinySam},
       {IDOK, IDOK},
       {confirmation,
        {Text(IDS_LEFT_AS_THEY_ARE) + L"\r\nHKLM\\SAM: " + Text(IDS_REASON_NO_GAIN),
         IDI_INFORMATION,
         {IDOK}}},
       true,
       1},
      {"everything scheduled: no message after the confirmation",
       {kSystem, kDefault},
       {IDOK},
       {confirmation},
       true,
       2},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + row.what);
    MainWindow window(row.hives);
    ASSERT_TRUE(window.created);
    ASSERT_TRUE(window.Enabled(IDC_DEFRAGMENT));
    uitest::MessageBoxAnswerer answerer(window.dialog.m_hWnd, row.answers);
    window.Press(IDC_DEFRAGMENT);
    ASSERT_TRUE(window.PumpUntilSettled(answerer, row.boxes.size()));
    uitest::Pump(window.dialog.m_hWnd);
    ASSERT_EQ(answerer.seen.size(), row.boxes.size());
    for (std::size_t box = 0; box < row.boxes.size(); ++box) {
      SCOPED_TRACE("box " + std::to_string(box));
      const uitest::SeenMessageBox& seen = answerer.seen[box];
      EXPECT_EQ(seen.caption, L"Kelvaro");
      EXPECT_EQ(seen.owner, window.dialog.m_hWnd);
      EXPECT_EQ(seen.text, row.boxes[box].text);
      EXPECT_EQ(seen.icon, row.boxes[box].icon);
      EXPECT_EQ(seen.buttons, row.boxes[box].buttons);
    }
    EXPECT_EQ(window.dialog.ModalEnded(), row.windowEnds);
    if (row.windowEnds) {
      EXPECT_EQ(window.dialog.ModalResult(), IDOK);
    }
    EXPECT_EQ(window.fake.registry.scheduledReplacements.size(), row.scheduled);
    EXPECT_EQ(window.fake.system.shutdownRequests.size(), row.scheduled > 0 ? 1u : 0u);
    if (!row.windowEnds) {
      EXPECT_TRUE(window.Enabled(IDC_DEFRAGMENT)) << "the rows stay for another try";
      EXPECT_TRUE(window.Enabled(IDC_HIVE_LIST));
      EXPECT_FALSE(window.fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-1"))
          << "a run that scheduled nothing leaves no folder";
    }
  }
}

TEST(DefragmentHandlerTest, CancelTouchesNothing) {
  MainWindow window({kSystem, kDefault});
  ASSERT_TRUE(window.created);
  const std::size_t operationsBefore = window.fake.faults.OperationsSeen().size();
  const int savesBefore = window.fake.faults.CallCount("RegSaveKeyExW");
  uitest::MessageBoxAnswerer answerer(window.dialog.m_hWnd, {IDCANCEL});
  window.Press(IDC_DEFRAGMENT);
  ASSERT_TRUE(window.PumpUntilSettled(answerer, 1));
  EXPECT_EQ(window.fake.faults.OperationsSeen().size(), operationsBefore)
      << "no kind of platform call was made after the answer";
  EXPECT_EQ(window.fake.faults.CallCount("RegSaveKeyExW"), savesBefore);
  EXPECT_EQ(window.fake.faults.CallCount("CreateDirectoryW"), 0);
  EXPECT_FALSE(window.fake.files.Exists(L"C:\\Windows\\Kelvaro"));
  EXPECT_FALSE(window.fake.files.Exists(L"C:\\Windows\\Kelvaro Backup"));
  EXPECT_TRUE(window.fake.registry.savedFiles.empty());
  EXPECT_FALSE(window.dialog.ModalEnded());
  HWND list = window.dialog.GetDlgItem(IDC_HIVE_LIST);
  for (int row = 0; row < 2; ++row) EXPECT_EQ(uitest::StateImage(list, row), 0x2000u) << row;
}

// Holds the worker inside its first hive save until released.
class SaveGate {
 public:
  explicit SaveGate(platform::fake::FakeWindows& fake)
      : m_release(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    fake.faults.beforeCall = [this](const std::string& operation) {
      if (operation != "RegSaveKeyExW" || m_held.exchange(true)) return;
      ::WaitForSingleObject(m_release, uitest::kDeadlineMs);
    };
  }
  ~SaveGate() {
    Release();
    ::CloseHandle(m_release);
  }
  bool Holding() const { return m_held; }
  void Release() { ::SetEvent(m_release); }

 private:
  HANDLE m_release;
  std::atomic<bool> m_held{false};
};

TEST(DefragmentHandlerTest, ASecondPressDuringTheRunIsIgnored) {
  MainWindow window({kSystem, kDefault});
  ASSERT_TRUE(window.created);
  SaveGate gate(window.fake);
  uitest::MessageBoxAnswerer answerer(window.dialog.m_hWnd, {IDOK, IDOK});
  window.Press(IDC_DEFRAGMENT);
  ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] { return gate.Holding(); }));
  EXPECT_TRUE(window.dialog.RunGoing());
  for (int id : {IDC_DEFRAGMENT, IDC_ANALYZE, IDC_HIVE_LIST, IDC_SHOW_RESULTS}) {
    EXPECT_FALSE(window.Enabled(id)) << "control " << id;
  }
  EXPECT_TRUE(window.Enabled(IDCANCEL));
  // The handler itself ignores a press that reaches it despite the disabled button.
  window.Press(IDC_DEFRAGMENT);
  window.Press(IDC_ANALYZE);
  uitest::Pump(window.dialog.m_hWnd);
  EXPECT_EQ(answerer.seen.size(), 1u) << "no second confirmation";
  gate.Release();
  ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] { return window.dialog.ModalEnded(); }));
  EXPECT_EQ(window.fake.faults.CallCount("RegSaveKeyExW"), 2) << "one save per hive, one run";
  EXPECT_EQ(window.fake.system.shutdownRequests.size(), 1u);
}

}  // namespace
