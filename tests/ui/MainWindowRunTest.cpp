// The main window's runs in-process, over the fake Windows with real hive
// bytes: the Defragment handler's message boxes and what each answer leaves
// behind, and the worker thread that runs it while the window stays usable.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <string>
#include <vector>

#include "platform/RegistryKeyPaths.h"
#include "catalogue/SizeText.h"
#include "platform/fake/FakeHiveBytes.h"
#include "platform/fake/FakeWindows.h"
#include "tests/support/BloatedHive.h"
#include "tests/support/FakeMachine.h"
#include "tests/support/Narrow.h"
#include "tests/ui/DialogDriver.h"
#include "tests/ui/MessageBoxAnswerer.h"
#include "tests/ui/WindowTest.h"
#include "ui/HiveListDlg.h"
#include "ui/logic/AnalysisColumn.h"
#include "ui/logic/SpaceList.h"
#include "ui/framework/Resources.h"
#include "ui/res/resource.h"

namespace {

using platform::KeyHandle;
using platform::kHKeyLocalMachine;
using platform::kHKeyUsers;
using test_support::Narrow;

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
  // A profile nobody is signed in to, with its NTUSER.DAT.
  struct Profile {
    platform::fake::FakeWindows::Profile profile;
    std::vector<std::uint8_t> userHive;
  };

  explicit MainWindow(const std::vector<Hive>& hives, const std::vector<Profile>& profiles = {}) {
    fake.files.AddFolder(L"C:\\Windows\\System32\\config");
    for (const Profile& profile : profiles) fake.AddProfile(profile.profile, profile.userHive);
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
    // A hang guard only: a run of profiles and then loaded hives makes two
    // runs' folders and records, which a loaded machine may not do in 5 s.
    return uitest::PumpUntil(
        dialog.m_hWnd, [&] { return answerer.seen.size() >= boxes && !dialog.RunGoing(); },
        4 * uitest::kDeadlineMs);
  }

  test_support::FakeMachine fake;
  CHiveListDlg dialog;
  bool created = false;
};

// A user hive exactly as a save writes it.
std::vector<std::uint8_t> CompactUserHive() {
  platform::fake::FakeKey content;
  content.name = L"ROOT";
  content.values.push_back({L"Filler", platform::kRegBinary, std::vector<std::uint8_t>(9000, 7)});
  return platform::fake::SavedHiveBytes(content, platform::kRegLatestFormat);
}

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
    struct {
      std::vector<MainWindow::Profile> ticked;
      bool swapped;  // false: each file is left as it was
    } profiles;
  };
  // A profile whose file is already as compact as a save makes it: its copy
  // would not gain, so it is left as it is and named.
  const std::vector<MainWindow::Profile> compactProfile = {
      {{L"S-1-5-21-7-1001", L"C:\\Users\\alice", {}, 0, {}, L"PC\\alice"}, CompactUserHive()}};
  const std::vector<MainWindow::Profile> bloatedProfile = {
      {{L"S-1-5-21-7-1002", L"C:\\Users\\bob", {}, 0, {}, L"PC\\bob"},
       test_support::BloatedHive(L"Bob")}};
  const std::wstring bobDone =
      uilogic::FillPlaceholders(LoadResourceString(IDS_PROFILES_DONE),
                                {CString(L"1"), CString(L"HKU\\S-1-5-21-7-1002")})
          .str();
  const std::wstring profileLeft = Text(IDS_PROFILES_NOTHING_COMPACTED) + L"\r\n\r\n" +
                                   Text(IDS_PROFILES_LEFT_AS_THEY_ARE) +
                                   L"\r\nHKU\\S-1-5-21-7-1001: " + Text(IDS_REASON_NO_GAIN);
  const std::vector<Row> rows = {
      {"Cancel at the confirmation", {kSystem, kDefault}, {IDCANCEL}, {confirmation}, false, 0, {}},
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
       0,
       {}},
      {"nothing would gain: string 111 alone is not enough, the hive is named",
       {kTinySam},
       {IDOK, IDOK},
       {confirmation,
        {Text(IDS_NOTHING_COMPACTED) + L"\r\n\r\n" + Text(IDS_LEFT_AS_THEY_ARE) +
             L"\r\nHKLM\\SAM: " + Text(IDS_REASON_NO_GAIN),
         IDI_ERROR,
         {IDOK}}},
       false,
       0,
       {}},
      {"one scheduled, one left: the hive left is named before the restart",
       {kSystem, kTinySam},
       {IDOK, IDOK},
       {confirmation,
        {Text(IDS_LEFT_AS_THEY_ARE) + L"\r\nHKLM\\SAM: " + Text(IDS_REASON_NO_GAIN),
         IDI_INFORMATION,
         {IDOK}}},
       true,
       1,
       {}},
      {"everything scheduled: no message after the confirmation",
       {kSystem, kDefault},
       {IDOK},
       {confirmation},
       true,
       2,
       {}},
      {"only a profile ticked: no restart is announced or asked for, the profile is named",
       {},
       {IDOK, IDOK},
       {{Text(IDS_CONFIRM_PROFILES_NOW), IDI_WARNING, {IDOK, IDCANCEL}},
        {profileLeft + L"\r\n\r\n" + Text(IDS_NO_RESTART_NEEDED), IDI_ERROR, {IDOK}}},
       false,
       0,
       {compactProfile, false}},
      {"only a bloated profile ticked: swapped now, no restart, the list shows its new size",
       {},
       {IDOK, IDOK},
       {{Text(IDS_CONFIRM_PROFILES_NOW), IDI_WARNING, {IDOK, IDCANCEL}},
        {bobDone + L"\r\n\r\n" + Text(IDS_NO_RESTART_NEEDED), IDI_INFORMATION, {IDOK}}},
       false,
       0,
       {bloatedProfile, true}},
      {"a bloated profile and a loaded hive: the profile done is named before the restart",
       {kSystem},
       {IDOK, IDOK},
       {confirmation, {bobDone, IDI_INFORMATION, {IDOK}}},
       true,
       1,
       {bloatedProfile, true}},
      {"a profile and a loaded hive: the profile is named before the restart",
       {kSystem},
       {IDOK, IDOK},
       {confirmation, {profileLeft, IDI_INFORMATION, {IDOK}}},
       true,
       1,
       {compactProfile, false}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + row.what);
    MainWindow window(row.hives, row.profiles.ticked);
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
    for (const MainWindow::Profile& profile : row.profiles.ticked) {
      const std::wstring file = profile.profile.folder + L"\\NTUSER.DAT";
      const std::vector<std::uint8_t> now =
          window.fake.files.ReadFile(file).value_or(std::vector<std::uint8_t>());
      if (!row.profiles.swapped) {
        EXPECT_EQ(now, profile.userHive) << "a profile left alone keeps its file";
        continue;
      }
      EXPECT_LT(now.size(), profile.userHive.size()) << "the compact copy took its place";
      if (row.windowEnds) continue;
      HWND list = window.dialog.GetDlgItem(IDC_HIVE_LIST);
      const int last = ListView_GetItemCount(list) - 1;
      EXPECT_EQ(uitest::ItemText(list, last, 1), file);
      EXPECT_EQ(uitest::ItemText(list, last, 2), FormatSizeKB(now.size()).str())
          << "the list was read again";
    }
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

// Every platform call so far. While the gate holds the worker, only the
// window's thread could add to it.
int PlatformCalls(const platform::fake::FakeWindows& fake) {
  int calls = 0;
  for (const std::string& operation : fake.faults.OperationsSeen()) {
    calls += fake.faults.CallCount(operation);
  }
  return calls;
}

TEST(DefragmentHandlerTest, ASecondPressDuringTheRunIsIgnored) {
  MainWindow window({kSystem, kDefault});
  ASSERT_TRUE(window.created);
  SaveGate gate(window.fake);
  uitest::MessageBoxAnswerer answerer(window.dialog.m_hWnd, {IDOK, IDOK});
  window.Press(IDC_DEFRAGMENT);
  ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] { return gate.Holding(); }));
  const int callsWhileHeld = PlatformCalls(window.fake);
  EXPECT_TRUE(window.dialog.RunGoing());
  wchar_t status[256] = {};
  EXPECT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] {
    ::GetDlgItemTextW(window.dialog.m_hWnd, IDC_STATUS_LINE, status, 256);
    return std::wstring(status) == L"Saving and checking HKLM\\SYSTEM (1 of 2)...";
  })) << Narrow(status);
  for (int id : {IDC_DEFRAGMENT, IDC_ANALYZE, IDC_HIVE_LIST, IDC_SHOW_RESULTS}) {
    EXPECT_FALSE(window.Enabled(id)) << "control " << id;
  }
  EXPECT_TRUE(window.Enabled(IDCANCEL));
  // The handler itself ignores a press that reaches it despite the disabled button.
  window.Press(IDC_DEFRAGMENT);
  window.Press(IDC_ANALYZE);
  uitest::ClickColumnHeading(window.dialog.m_hWnd, window.dialog.GetDlgItem(IDC_HIVE_LIST), 1);
  uitest::Pump(window.dialog.m_hWnd);
  EXPECT_EQ(answerer.seen.size(), 1u) << "no second confirmation";
  EXPECT_EQ(PlatformCalls(window.fake), callsWhileHeld)
      << "the platform is the worker's during the run";
  gate.Release();
  ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] { return window.dialog.ModalEnded(); }));
  EXPECT_EQ(window.fake.faults.CallCount("RegSaveKeyExW"), 2) << "one save per hive, one run";
  EXPECT_EQ(window.fake.system.shutdownRequests.size(), 1u);
}

// Three hives with keys (SYSTEM gains, the tiny SAM's copy is larger), one
// without a key (its save fails) and .DEFAULT, which the test unticks.
class AnalyzeTest : public ::testing::Test {
 protected:
  MainWindow window{{kSystem, kTinySam, kComponentsWithoutKey, kDefault}};
  HWND list = window.dialog.GetDlgItem(IDC_HIVE_LIST);

  void SetUp() override {
    window.fake.registry.PutString(kHKeyLocalMachine, L"SAM\\SAM", L"Filler",
                                   std::wstring(16 * 1024, L'x'));
  }

  std::uint64_t SavedSize(KeyHandle root, const wchar_t* keyName) {
    const platform::fake::FakeKey* key = window.fake.registry.FindKey(root, keyName);
    return key == nullptr ? 0
                          : platform::fake::SavedHiveBytes(*key, platform::kRegLatestFormat).size();
  }
  std::vector<std::wstring> Names() { return uitest::ColumnTexts(list, 0); }
  std::wstring Status() {
    wchar_t text[512] = {};
    ::GetDlgItemTextW(window.dialog.m_hWnd, IDC_STATUS_LINE, text, 512);
    return text;
  }
  void SetTick(const std::wstring& name, bool ticked) {
    const std::vector<std::wstring> names = Names();
    for (std::size_t row = 0; row < names.size(); ++row) {
      if (names[row] == name) {
        ListView_SetItemState(list, static_cast<int>(row), ticked ? 0x2000 : 0x1000,
                              LVIS_STATEIMAGEMASK);
      }
    }
    uitest::Pump(window.dialog.m_hWnd);
  }
  std::wstring CellOf(const std::wstring& name) {
    const std::vector<std::wstring> names = Names();
    for (std::size_t row = 0; row < names.size(); ++row) {
      if (names[row] == name) return uitest::ItemText(list, static_cast<int>(row), 3);
    }
    return L"<no row>";
  }
  void AnalyzeUntilDone() {
    window.Press(IDC_ANALYZE);
    ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] {
      return !window.dialog.RunGoing() && !CellOf(L"HKLM\\SYSTEM").empty();
    }));
  }
};

TEST_F(AnalyzeTest, FillsTheColumnAndTheTotalAndChangesNothing) {
  ASSERT_TRUE(window.created);
  SetTick(L"HKU\\.DEFAULT", false);
  EXPECT_EQ(Status(), L"") << "no total before an analysis";
  AnalyzeUntilDone();
  const std::uint64_t system = SavedSize(kHKeyLocalMachine, L"SYSTEM");
  const std::uint64_t sam = SavedSize(kHKeyLocalMachine, L"SAM");
  ASSERT_GT(system, 0u);
  ASSERT_GT(sam, kTinyHive);
  struct Row {
    std::wstring name;
    std::wstring cell;
  };
  const std::vector<Row> rows = {
      {L"HKLM\\SYSTEM",
       (FormatSizeKB(system) + L" (-" + FormatSizeKB(kSystem.size - system) + L")").str()},
      {L"HKLM\\SAM", (FormatSizeKB(sam) + L" (+" + FormatSizeKB(sam - kTinyHive) + L")").str()},
      {L"HKLM\\COMPONENTS", Text(IDS_CELL_NOT_SAVED)},
      {L"HKU\\.DEFAULT", L""},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(CellOf(rows[i].name), rows[i].cell) << "row " << i << ": " << Narrow(rows[i].name);
  }
  const std::wstring total = L"Compacting the ticked hives analysed would save " +
                             FormatSizeKB(kSystem.size - system).str() + L".";
  EXPECT_EQ(Status(), total) << "a larger copy saves nothing, it does not subtract";
  EXPECT_TRUE(window.fake.registry.scheduledReplacements.empty());
  EXPECT_TRUE(window.fake.system.shutdownRequests.empty());
  EXPECT_FALSE(window.fake.files.Exists(L"C:\\Windows\\Kelvaro\\Run-1"));
  EXPECT_TRUE(window.Enabled(IDC_ANALYZE));
  EXPECT_TRUE(window.Enabled(IDC_HIVE_LIST));
  EXPECT_FALSE(window.dialog.ModalEnded());
  // Compact Size takes its room from Filename: Hive keeps its 355 pixels and
  // the four columns still fit the list.
  const std::vector<int> widths = uitest::ColumnWidths(list);
  ASSERT_EQ(widths.size(), 4u);
  EXPECT_EQ(widths[0], 355);
  EXPECT_GT(widths[1], 0);
  EXPECT_EQ(widths[0] + widths[1] + widths[2] + widths[3] + ::GetSystemMetrics(SM_CXVSCROLL),
            uitest::ClientWidth(list));

  // The total follows the ticks; a row not analysed adds nothing.
  SetTick(L"HKU\\.DEFAULT", true);
  EXPECT_EQ(Status(), total);
  SetTick(L"HKLM\\SYSTEM", false);
  EXPECT_EQ(Status(), L"Compacting the ticked hives analysed would save 0 KB.");
}

// A ticked profile row is measured with the loaded hives: its cell shows the
// checked copy's size, and the profile's file is left as it was.
TEST(AnalyzeProfileRowTest, ATickedProfileRowShowsItsCopysSize) {
  const std::vector<std::uint8_t> bytes = CompactUserHive();
  const std::wstring file = L"C:\\Users\\alice\\NTUSER.DAT";
  MainWindow window({kSystem},
                    {{{L"S-1-5-21-7-1001", L"C:\\Users\\alice", {}, 0, {}, L"PC\\alice"}, bytes}});
  ASSERT_TRUE(window.created);
  HWND list = window.dialog.GetDlgItem(IDC_HIVE_LIST);
  ASSERT_EQ(uitest::ColumnTexts(list, 0),
            (std::vector<std::wstring>{L"HKLM\\SYSTEM", L"HKU\\S-1-5-21-7-1001 (not signed in)"}));
  ListView_SetItemState(list, 1, 0x2000, LVIS_STATEIMAGEMASK);
  window.Press(IDC_ANALYZE);
  ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] {
    return !window.dialog.RunGoing() && !uitest::ItemText(list, 1, 3).empty();
  }));
  const uilogic::AnalysisCell sized{uilogic::AnalysisCell::Kind::kSized, bytes.size(), 0,
                                    NotScheduledReason::kNotSaved};
  EXPECT_EQ(uitest::ItemText(list, 1, 3),
            uilogic::AnalysisCellText(sized, LoadResourceString).str());
  EXPECT_EQ(window.fake.files.ReadFile(file), bytes);
  EXPECT_TRUE(window.fake.registry.scheduledReplacements.empty());
  EXPECT_FALSE(window.dialog.ModalEnded());
}

TEST_F(AnalyzeTest, SortsByCompactSizeThenRefusalsThenRowsNotAnalysed) {
  ASSERT_TRUE(window.created);
  SetTick(L"HKU\\.DEFAULT", false);
  AnalyzeUntilDone();
  // The SAM's copy holds a large value: larger than SYSTEM's.
  const std::wstring smaller = L"HKLM\\SYSTEM";
  const std::wstring larger = L"HKLM\\SAM";
  ASSERT_LT(SavedSize(kHKeyLocalMachine, L"SYSTEM"), SavedSize(kHKeyLocalMachine, L"SAM"));
  struct Row {
    bool ascending;
    std::vector<std::wstring> names;
  };
  const std::vector<Row> rows = {
      {true, {smaller, larger, L"HKLM\\COMPONENTS", L"HKU\\.DEFAULT"}},
      {false, {larger, smaller, L"HKLM\\COMPONENTS", L"HKU\\.DEFAULT"}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    uitest::ClickColumnHeading(window.dialog.m_hWnd, list, 3);
    EXPECT_EQ(window.dialog.m_bSortAscending, rows[i].ascending) << "row " << i;
    EXPECT_EQ(Names(), rows[i].names) << "row " << i;
    EXPECT_EQ(uitest::SortArrowColumn(list), 3) << "row " << i;
  }
}

// Every refusal's words fit the column at its designed width, with room for
// the cell's margins, where the whole sentences did not.
TEST_F(AnalyzeTest, EachRefusalsWordsFitTheColumn) {
  ASSERT_TRUE(window.created);
  EXPECT_EQ(uitest::ColumnWidths(list).size(), 3u) << "no Compact Size before an analysis";
  AnalyzeUntilDone();
  const int columnWidth = ListView_GetColumnWidth(list, 3);
  const int margins = 2 * ::GetSystemMetrics(SM_CXEDGE) + 12;
  const std::vector<UINT> ids = {IDS_CELL_NOT_SAVED,    IDS_CELL_REFUSED,      IDS_CELL_NO_GAIN,
                                 IDS_CELL_OTHER_VOLUME, IDS_CELL_NOT_ACCEPTED, IDS_CELL_STOPPED,
                                 IDS_CELL_NO_BACKUP};
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const std::wstring text = Text(ids[i]);
    ASSERT_FALSE(text.empty()) << "row " << i << ": string " << ids[i];
    EXPECT_LE(ListView_GetStringWidth(list, text.c_str()) + margins, columnWidth)
        << "row " << i << ": " << Narrow(text);
  }
  EXPECT_GT(ListView_GetStringWidth(list, Text(IDS_REASON_NOT_SAVED).c_str()), columnWidth)
      << "the sentence this replaces was cut off";
}

// The column names a refusal in a few words; the row's info tip gives the whole
// sentence, cut to the list's buffer. Other rows keep the list's own tip.
TEST_F(AnalyzeTest, ARefusedRowsInfoTipGivesTheWholeReason) {
  ASSERT_TRUE(window.created);
  SetTick(L"HKU\\.DEFAULT", false);
  AnalyzeUntilDone();
  EXPECT_NE(ListView_GetExtendedListViewStyle(list) & LVS_EX_INFOTIP, 0u);
  const std::wstring sentence = Text(IDS_REASON_NOT_SAVED);
  ASSERT_NE(CellOf(L"HKLM\\COMPONENTS"), sentence);
  struct Row {
    std::wstring name;
    int capacity;
    std::wstring expected;
  };
  const std::vector<Row> rows = {
      {L"HKLM\\COMPONENTS", 512, sentence},
      {L"HKLM\\COMPONENTS", 8, sentence.substr(0, 7)},
      {L"HKLM\\SYSTEM", 512, L"list's own"},
      {L"HKU\\.DEFAULT", 512, L"list's own"},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::wstring> names = Names();
    int item = -1;
    for (std::size_t row = 0; row < names.size(); ++row) {
      if (names[row] == rows[i].name) item = static_cast<int>(row);
    }
    ASSERT_GE(item, 0) << "row " << i;
    EXPECT_EQ(uitest::InfoTip(window.dialog.m_hWnd, list, item, rows[i].capacity), rows[i].expected)
        << "row " << i << ": " << Narrow(rows[i].name);
  }
}

TEST_F(AnalyzeTest, ShowsWhichHiveOfHowManyIsBeingSaved) {
  ASSERT_TRUE(window.created);
  SetTick(L"HKU\\.DEFAULT", false);
  SaveGate gate(window.fake);
  window.Press(IDC_ANALYZE);
  ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] { return gate.Holding(); }));
  const int callsWhileHeld = PlatformCalls(window.fake);
  // COMPONENTS (1 of 3) has no key to save; the gate holds the SAM's save.
  EXPECT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] {
    return Status() == L"Analyzing HKLM\\SAM (2 of 3)...";
  })) << Narrow(Status());
  EXPECT_FALSE(window.Enabled(IDC_ANALYZE));
  EXPECT_FALSE(window.Enabled(IDC_DEFRAGMENT));
  uitest::ClickColumnHeading(window.dialog.m_hWnd, list, 1);
  SetTick(L"HKLM\\SYSTEM", false);
  uitest::Pump(window.dialog.m_hWnd);
  EXPECT_EQ(PlatformCalls(window.fake), callsWhileHeld)
      << "the platform is the worker's during the run";
  gate.Release();
  ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] { return !window.dialog.RunGoing(); }));
  EXPECT_EQ(window.fake.faults.CallCount("RegSaveKeyExW"), 2);
}

// A shortcut menu as it was while open: its entries' ids, texts and whether
// each could be chosen. A thread timer, which the menu's loop dispatches, reads
// the menu and closes it.
struct MenuSeen {
  bool opened = false;
  std::vector<UINT> ids;
  std::vector<std::wstring> texts;
  std::vector<bool> enabled;
};
MenuSeen g_menu;

void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND popup = ::FindWindowW(L"#32768", nullptr);
  if (popup == nullptr || !::IsWindowVisible(popup)) return;
  ::KillTimer(nullptr, timer);
  auto menu = reinterpret_cast<HMENU>(::SendMessageW(popup, MN_GETHMENU, 0, 0));
  g_menu.opened = true;
  for (int item = 0; item < ::GetMenuItemCount(menu); ++item) {
    wchar_t text[128] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(item), text, 128, MF_BYPOSITION);
    g_menu.ids.push_back(::GetMenuItemID(menu, item));
    g_menu.texts.push_back(text);
    g_menu.enabled.push_back(
        (::GetMenuState(menu, static_cast<UINT>(item), MF_BYPOSITION) & MF_GRAYED) == 0);
  }
  ::EndMenu();
}

// "Where the space goes" as it was while open, read by a thread timer, then closed.
struct SpaceSeen {
  bool opened = false;
  HWND owner = nullptr;
  std::wstring caption;
  std::vector<std::vector<std::wstring>> rows;  // key, size, share
};
SpaceSeen g_space;

BOOL CALLBACK FindSpaceDialog(HWND window, LPARAM found) {
  if (!::IsWindowVisible(window) || ::GetDlgItem(window, IDC_SPACE_LIST) == nullptr) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

void CALLBACK ReadSpaceDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindSpaceDialog, reinterpret_cast<LPARAM>(&found));
  if (found == nullptr) return;
  ::KillTimer(nullptr, timer);
  g_space.opened = true;
  g_space.owner = ::GetWindow(found, GW_OWNER);
  wchar_t caption[256] = {};
  ::GetWindowTextW(found, caption, 256);
  g_space.caption = caption;
  HWND list = ::GetDlgItem(found, IDC_SPACE_LIST);
  const std::vector<std::wstring> keys = uitest::ColumnTexts(list, 0);
  for (std::size_t row = 0; row < keys.size(); ++row) {
    const int item = static_cast<int>(row);
    g_space.rows.push_back(
        {keys[row], uitest::ItemText(list, item, 1), uitest::ItemText(list, item, 2)});
  }
  ::PostMessageW(found, WM_COMMAND, IDOK, 0);
}

// Opens the list's shortcut menu on the row of hive `name` (below the last row
// when empty) with the message the list sends its parent: at the point of a
// right click, or at (-1, -1) for the menu key or Shift+F10 on the selected
// row. The timer reads the menu and closes it.
void OpenMenuOn(MainWindow& window, const std::wstring& name, bool keyboard) {
  HWND list = window.dialog.GetDlgItem(IDC_HIVE_LIST);
  const std::vector<std::wstring> names = uitest::ColumnTexts(list, 0);
  const int item = static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
  POINT at{-1, -1};
  if (keyboard) {
    ListView_SetItemState(list, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  } else {
    RECT client{};
    ::GetClientRect(list, &client);
    at = POINT{client.right / 2, client.bottom - 4};
    if (!name.empty()) {
      ASSERT_TRUE(uitest::FindZone(list, item, LVHT_ONITEMLABEL, &at));
    }
    ::ClientToScreen(list, &at);
  }
  g_menu = {};
  ::SetTimer(nullptr, 0, 20, &ReadOpenMenu);
  ::SendMessageW(window.dialog.m_hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list),
                 MAKELPARAM(at.x, at.y));
  uitest::Pump(window.dialog.m_hWnd);
}

// After an analysis a row's shortcut menu, by mouse or keyboard, offers
// "Where the space goes..." for a hive the analysis measured, and greyed for
// one it refused, one it did not analyse and every row before it. Chosen, it
// lists that hive's largest subtrees over the main window.
TEST_F(AnalyzeTest, AnAnalysedRowsMenuShowsWhereItsSpaceGoes) {
  ASSERT_TRUE(window.created);
  // A subtree of known size in SYSTEM: 64 KB of data and its few records.
  window.fake.registry.PutValue(kHKeyLocalMachine, L"SYSTEM\\Big", L"Data", platform::kRegBinary,
                                std::vector<std::uint8_t>(64 * 1024, 5));
  SetTick(L"HKU\\.DEFAULT", false);
  struct Row {
    const char* what;
    bool afterAnalysis;
    std::wstring name;  // the row; empty: below the last row
    bool keyboard;      // the menu key on the selected row, not a right click
    bool opens;
    bool enabled;
  };
  const std::vector<Row> rows = {
      {"before any analysis", false, L"HKLM\\SYSTEM", false, true, false},
      {"analysed, right click", true, L"HKLM\\SYSTEM", false, true, true},
      {"analysed, menu key", true, L"HKLM\\SAM", true, true, true},
      {"refused", true, L"HKLM\\COMPONENTS", false, true, false},
      {"not ticked, not analysed", true, L"HKU\\.DEFAULT", true, true, false},
      {"no row under the click", true, L"", false, false, false},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    const std::string label = "row " + std::to_string(i) + ": " + row.what;
    if (row.afterAnalysis && window.dialog.m_space.empty()) AnalyzeUntilDone();
    OpenMenuOn(window, row.name, row.keyboard);
    EXPECT_EQ(g_menu.opened, row.opens) << label;
    if (!row.opens) continue;
    ASSERT_EQ(g_menu.texts, std::vector<std::wstring>{L"Where the space goes..."}) << label;
    EXPECT_EQ(g_menu.enabled.front(), row.enabled) << label;
  }

  // Chosen for SYSTEM: its rows, as the analysis kept them, over the main window.
  OpenMenuOn(window, L"HKLM\\SYSTEM", false);
  ASSERT_TRUE(g_menu.opened);
  g_space = {};
  ::SetTimer(nullptr, 0, 20, &ReadSpaceDialog);
  ::SendMessageW(window.dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(g_menu.ids.front(), 0), 0);
  ASSERT_TRUE(g_space.opened);
  EXPECT_EQ(g_space.owner, window.dialog.m_hWnd);
  EXPECT_EQ(g_space.caption, L"Where the space goes: HKLM\\SYSTEM");
  std::vector<std::vector<std::wstring>> kept;
  for (const uilogic::SpaceListRow& row : window.dialog.m_space.at(L"HKLM\\SYSTEM")) {
    kept.push_back({row.key.str(), row.size.str(), row.share.str()});
  }
  EXPECT_EQ(g_space.rows, kept);
  ASSERT_FALSE(g_space.rows.empty());
  EXPECT_EQ(g_space.rows.front()[0], L"HKLM\\SYSTEM") << "the hive's root first";
  const auto big = std::find_if(g_space.rows.begin(), g_space.rows.end(),
                                [](const auto& shown) { return shown[0] == L"HKLM\\SYSTEM\\Big"; });
  ASSERT_NE(big, g_space.rows.end()) << "the subtree holding most of the hive";
  EXPECT_EQ((*big)[1], L"64 KB");
  for (const auto& shown : g_space.rows) {
    EXPECT_EQ(shown[0].rfind(L"HKLM\\SYSTEM", 0), 0u) << Narrow(shown[0]) << ": SYSTEM's only";
  }
  EXPECT_TRUE(window.dialog.IsWindowVisible()) << "the main window stays";
  EXPECT_FALSE(window.dialog.ModalEnded());
}

// Each way of closing the window during a run: the hive being saved is
// finished, no other is started, and then the window closes.
TEST(CloseDuringARunTest, WaitsForTheCurrentHiveThenCloses) {
  enum class Close { kCancelButton, kEscape, kCloseBox, kAltF4 };
  struct Row {
    const char* what;
    int button;
    Close close;
    std::size_t scheduled;
    std::vector<std::wstring> messages;  // after the confirmation
  };
  const std::vector<Row> rows = {
      {"Analyze, Cancel button", IDC_ANALYZE, Close::kCancelButton, 0, {}},
      {"Analyze, Escape", IDC_ANALYZE, Close::kEscape, 0, {}},
      {"Analyze, close box", IDC_ANALYZE, Close::kCloseBox, 0, {}},
      {"Analyze, Alt+F4", IDC_ANALYZE, Close::kAltF4, 0, {}},
      {"Defragment, close box: the hive at hand stays scheduled, no restart",
       IDC_DEFRAGMENT,
       Close::kCloseBox,
       1,
       {Text(IDS_STOPPED_WITH_SCHEDULED) + L"\r\n\r\n" + Text(IDS_SWAPS_WAIT)}},
  };
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + row.what);
    MainWindow window({kSystem, kDefault});
    ASSERT_TRUE(window.created);
    HWND dialog = window.dialog.m_hWnd;
    SaveGate gate(window.fake);
    std::vector<int> answers = {IDOK};
    if (row.button == IDC_ANALYZE) answers.clear();
    for (std::size_t message = 0; message < row.messages.size(); ++message) answers.push_back(IDOK);
    uitest::MessageBoxAnswerer answerer(dialog, answers);
    window.Press(row.button);
    ASSERT_TRUE(uitest::PumpUntil(dialog, [&] { return gate.Holding(); }));
    switch (row.close) {
      case Close::kCancelButton: window.Press(IDCANCEL); break;
      case Close::kEscape:
        uitest::Key(dialog, window.dialog.GetDlgItem(IDCANCEL), VK_ESCAPE);
        break;
      case Close::kCloseBox: ::PostMessageW(dialog, WM_CLOSE, 0, 0); break;
      case Close::kAltF4: ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
    uitest::Pump(dialog);
    EXPECT_FALSE(window.dialog.ModalEnded()) << "the window waits for the hive at hand";
    EXPECT_TRUE(window.dialog.RunGoing());
    wchar_t status[256] = {};
    ::GetDlgItemTextW(dialog, IDC_STATUS_LINE, status, 256);
    EXPECT_EQ(std::wstring(status), Text(IDS_PROGRESS_STOPPING));
    gate.Release();
    ASSERT_TRUE(uitest::PumpUntil(dialog, [&] { return window.dialog.ModalEnded(); }));
    EXPECT_FALSE(window.dialog.RunGoing());
    EXPECT_EQ(window.fake.faults.CallCount("RegSaveKeyExW"), 1)
        << "no hive started after the close";
    EXPECT_EQ(window.fake.registry.scheduledReplacements.size(), row.scheduled);
    EXPECT_TRUE(window.fake.system.shutdownRequests.empty());
    ASSERT_EQ(answerer.seen.size(), answers.size());
    for (std::size_t message = 0; message < row.messages.size(); ++message) {
      const uitest::SeenMessageBox& seen =
          answerer.seen[answers.size() - row.messages.size() + message];
      EXPECT_EQ(seen.text, row.messages[message]);
      EXPECT_EQ(seen.icon, IDI_INFORMATION);
      EXPECT_EQ(seen.owner, dialog);
    }
  }
}

TEST(CloseDuringARunTest, DestroyingTheWindowWaitsForTheWorker) {
  MainWindow window({kSystem, kDefault});
  ASSERT_TRUE(window.created);
  SaveGate gate(window.fake);
  window.Press(IDC_ANALYZE);
  ASSERT_TRUE(uitest::PumpUntil(window.dialog.m_hWnd, [&] { return gate.Holding(); }));
  // Released from another thread while DestroyWindow waits on this one, and
  // only once it has asked the worker to stop: released earlier, the worker
  // could start the next hive before the stop.
  std::thread releaser([&gate, &window] {
    for (DWORD waited = 0; !window.dialog.RunStopRequested() && waited < uitest::kDeadlineMs;
         waited += 5)
      ::Sleep(5);
    gate.Release();
  });
  window.dialog.DestroyWindow();
  releaser.join();
  EXPECT_EQ(window.dialog.m_hWnd, nullptr);
  EXPECT_FALSE(window.dialog.RunGoing());
  EXPECT_EQ(window.fake.faults.CallCount("RegSaveKeyExW"), 1)
      << "the stop came before the next hive";
}

}  // namespace
