// Writes made between a hive's save and the restart reach the old file, not
// the compacted copy: the run keeps the copy's bytes beside its record, and
// after the fake restart the report compares them with the backup by content.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "compaction/LostWrites.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RunRecord.h"
#include "compaction/RunRecordFile.h"
#include "compaction/RunReference.h"
#include "hive/Sha256.h"
#include "platform/SecurityDescriptor.h"
#include "platform/fake/FakeHiveBytes.h"
#include "tests/compaction/CompactionMachine.h"
#include "tests/compaction/CraftedRecord.h"

namespace compaction_test {
namespace {

using platform::kHKeyLocalMachine;
using platform::fake::FakeKey;

constexpr wchar_t kHive[] = L"HKLM\\COMPONENTS";
constexpr wchar_t kLiveFile[] = L"C:\\Windows\\System32\\config\\COMPONENTS";
constexpr wchar_t kRecordFile[] = L"C:\\Windows\\Kelvaro\\Records\\Run-1.record";
constexpr wchar_t kReferenceFile[] = L"C:\\Windows\\Kelvaro\\Records\\Run-1\\COMPONENTS";

CPathName PathOf(const wchar_t* text) {
  CPathName path;
  path.SetPath(text);
  return path;
}

FakeKey& KeyOf(CompactionMachine& machine, const std::wstring& below) {
  return *machine.fake.registry.FindKey(kHKeyLocalMachine, L"COMPONENTS\\" + below);
}

// The machine after a run that scheduled the hive; the run's record as written.
RunRecord RunOnce(CompactionMachine& machine) {
  machine.MountRealHive(kHKeyLocalMachine, kHive, kLiveFile, {L"Setup", L"Select", L"Keep"});
  const CompactionOutcome outcome = machine.Run({kHive});
  EXPECT_EQ(outcome.scheduled, 1);
  return *ParseRunRecord(*machine.fake.files.ReadFile(kRecordFile));
}

std::vector<std::string> ReportedLines() {
  std::optional<LostWriteReport> report = ReportLostWrites(PathOf(kRecordFile));
  if (!report || report->hives.size() != 1) return {"no report of one hive"};
  const HiveLostWrites& hive = report->hives[0];
  if (hive.check != LostWriteCheck::kCompared) {
    return {"not compared: " + std::to_string(static_cast<int>(hive.check))};
  }
  std::vector<std::string> lines;
  for (const LostWrite& write : hive.writes) lines.push_back(LostWriteLine(write));
  return lines;
}

TEST(LostWritesTest, TheReferenceIsTheCheckedCopyKeptBesideTheRecord) {
  CompactionMachine machine;
  const RunRecord record = RunOnce(machine);
  const std::optional<std::vector<std::uint8_t>> reference =
      machine.fake.files.ReadFile(kReferenceFile);
  ASSERT_TRUE(reference.has_value());
  EXPECT_EQ(hive::Sha256Hex(*reference), record.hives.at(0).copySha256);
  EXPECT_EQ(reference->size(), record.hives.at(0).copySize);
  EXPECT_EQ(machine.fake.files.SecurityOf(L"C:\\Windows\\Kelvaro\\Records\\Run-1"),
            platform::ProtectedDescriptor());
}

TEST(LostWritesTest, EachWriteAfterTheSaveIsNamedAfterTheRestart) {
  struct Row {
    const char* what;
    std::function<void(CompactionMachine&)> write;
    std::vector<std::string> expected;
  };
  using Write = std::function<void(CompactionMachine&)>;
  const Write changeValue = [](CompactionMachine& machine) {
    machine.fake.registry.PutValue(kHKeyLocalMachine, L"COMPONENTS\\Setup", L"Deep",
                                   platform::kRegDword, {9, 9, 9, 9});
  };
  const Write addKey = [](CompactionMachine& machine) {
    machine.fake.registry.EnsureKey(kHKeyLocalMachine, L"COMPONENTS\\Added");
  };
  const Write deleteKey = [](CompactionMachine& machine) {
    machine.fake.registry.DeleteKey(kHKeyLocalMachine, L"COMPONENTS\\Keep");
  };
  const Write changeDescriptor = [](CompactionMachine& machine) {
    KeyOf(machine, L"Select").security = platform::ProtectedDescriptor();
  };
  const Write changeClass = [](CompactionMachine& machine) {
    KeyOf(machine, L"Select").className = {'C', 0, 'l', 0, 'a', 0, 's', 0, 's', 0};
  };
  const std::string value = "HKLM\\COMPONENTS\\Setup: value 'Deep' changed";
  const std::string added = "HKLM\\COMPONENTS\\Added: key added";
  const std::string deleted = "HKLM\\COMPONENTS\\Keep: key deleted";
  const std::string descriptor = "HKLM\\COMPONENTS\\Select: security descriptor changed";
  const std::string className = "HKLM\\COMPONENTS\\Select: class name changed";
  const Row rows[] = {
      {"no write", [](CompactionMachine&) {}, {}},
      {"a value changed", changeValue, {value}},
      {"a key added", addKey, {added}},
      {"a key deleted", deleteKey, {deleted}},
      {"a descriptor changed", changeDescriptor, {descriptor}},
      {"a class name changed", changeClass, {className}},
      {"all five",
       [&](CompactionMachine& machine) {
         for (const Write& write :
              {changeValue, addKey, deleteKey, changeDescriptor, changeClass}) {
           write(machine);
         }
       },
       {value, added, deleted, descriptor, className}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    CompactionMachine machine;
    RunOnce(machine);
    row.write(machine);
    machine.fake.WriteHivesToFiles();
    machine.fake.Restart();
    std::vector<std::string> lines = ReportedLines();
    std::vector<std::string> expected = row.expected;
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected) << "row " << i << ": " << row.what;
  }
}

TEST(LostWritesTest, AReferenceThatIsNotTheRecordedCopyIsRefused) {
  struct Row {
    const char* what;
    std::function<void(CompactionMachine&)> tamper;
    LostWriteCheck expected;
  };
  const Row rows[] = {
      {"one byte changed",
       [](CompactionMachine& machine) {
         std::vector<std::uint8_t> bytes = *machine.fake.files.ReadFile(kReferenceFile);
         bytes[bytes.size() / 2] ^= 1;
         machine.fake.files.WriteFile(kReferenceFile, bytes);
       },
       LostWriteCheck::kReferenceRefused},
      {"a sound hive that differs in its place",
       [](CompactionMachine& machine) {
         FakeKey& key = *machine.fake.registry.FindKey(kHKeyLocalMachine, L"COMPONENTS");
         key.values.push_back({L"Planted", platform::kRegDword, {1, 0, 0, 0}});
         machine.fake.files.WriteFile(
             kReferenceFile, platform::fake::SavedHiveBytes(key, platform::kRegLatestFormat));
       },
       LostWriteCheck::kReferenceRefused},
      {"dropped with its backup",
       [](CompactionMachine&) { DropReferences(PathOf(kRecordFile), {kHive}); },
       LostWriteCheck::kNoReference},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CompactionMachine machine;
    RunOnce(machine);
    machine.fake.WriteHivesToFiles();
    machine.fake.Restart();
    rows[i].tamper(machine);
    std::optional<LostWriteReport> report = ReportLostWrites(PathOf(kRecordFile));
    ASSERT_TRUE(report.has_value()) << "row " << i << ": " << rows[i].what;
    ASSERT_EQ(report->hives.size(), 1u) << "row " << i << ": " << rows[i].what;
    EXPECT_EQ(report->hives[0].check, rows[i].expected) << "row " << i << ": " << rows[i].what;
    EXPECT_TRUE(report->hives[0].writes.empty()) << "row " << i << ": " << rows[i].what;
  }
}

TEST(LostWritesTest, BeforeTheRestartTheSwapIsPendingAndNoRunMeansNoRecord) {
  CompactionMachine machine;
  EXPECT_FALSE(NewestRunRecord(PathOf(L"C:\\Windows")).has_value());
  RunOnce(machine);
  std::optional<CPathName> newest = NewestRunRecord(PathOf(L"C:\\Windows"));
  ASSERT_TRUE(newest.has_value());
  EXPECT_EQ(std::wstring(newest->GetText().GetBuffer()), kRecordFile);
  std::optional<LostWriteReport> report = ReportLostWrites(*newest);
  ASSERT_TRUE(report.has_value());
  ASSERT_EQ(report->hives.size(), 1u);
  EXPECT_EQ(report->hives[0].check, LostWriteCheck::kRestartPending);
}

TEST(LostWritesTest, TheRunReviewedIsTheLastThatSwappedAtTheRestart) {
  const RecordedHive profile = UserHive(SwapState::kSwappedNow, L"C:\\Users\\j\\NTUSER.DAT");
  const RecordedHive scheduled = ScheduledSystemHive(0);
  struct Row {
    const char* what;
    std::vector<std::vector<RecordedHive>> runs;  // each run's hives, oldest first
    std::optional<int> reviewed;
  };
  const Row rows[] = {
      {"no run", {}, std::nullopt},
      {"one run", {{scheduled}}, 1},
      {"runs of profiles only after it", {{scheduled}, {profile}, {profile}}, 1},
      {"a run of profiles and loaded hives after it", {{scheduled}, {profile, scheduled}}, 2},
      {"a run that scheduled nothing after it",
       {{scheduled}, {UserHive(SwapState::kNotScheduled, L"C:\\x")}},
       1},
      {"runs of profiles only and no other", {{profile}, {profile}}, 2},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::string label = "row " + std::to_string(i) + ": " + rows[i].what;
    test_support::FakeMachine fake;
    fake.files.MakeDirectoryWithSecurity(L"C:\\Windows\\Kelvaro", platform::ProtectedDescriptor());
    for (const std::vector<RecordedHive>& hives : rows[i].runs) {
      RunRecord record = CraftedRunRecord(0);
      record.hives = hives;
      ASSERT_TRUE(StartRunRecord(PathOf(L"C:\\Windows"), record)) << label;
    }
    EXPECT_EQ(RunToReview(PathOf(L"C:\\Windows")), rows[i].reviewed) << label;
  }
}

TEST(LostWritesTest, ASecondRunLeavesAPendingSwapWaitingAndSchedulesNothingForIt) {
  CompactionMachine machine;
  RunOnce(machine);
  const CompactionOutcome second = machine.Run({kHive, L"HKLM\\SAM"});
  EXPECT_EQ(second.scheduled, 1) << "the other hive goes on";
  ASSERT_EQ(second.notScheduled.size(), 1u);
  EXPECT_EQ(second.notScheduled[0].reason, NotScheduledReason::kRestartPending);
  EXPECT_EQ(machine.fake.registry.scheduledReplacements.size(), 2u) << "no second swap of it";
  // A third run before the restart still finds the first run's swap waiting.
  const CompactionOutcome third = machine.Run({kHive});
  ASSERT_EQ(third.notScheduled.size(), 1u);
  EXPECT_EQ(third.notScheduled[0].reason, NotScheduledReason::kRestartPending);

  machine.fake.Restart();
  // Swapped, and grown past the copy's size since: no pending swap.
  machine.fake.registry.PutValue(platform::kHKeyLocalMachine, L"COMPONENTS\\Setup", L"Grown",
                                 platform::kRegBinary, std::vector<std::uint8_t>(64 * 1024, 7));
  machine.fake.WriteHivesToFiles();
  const CompactionOutcome afterRestart = machine.Run({kHive});
  ASSERT_EQ(afterRestart.notScheduled.size(), 1u);
  EXPECT_NE(afterRestart.notScheduled[0].reason, NotScheduledReason::kRestartPending);
}

}  // namespace
}  // namespace compaction_test
