// The whole cycle on the fake Windows, as a user lives it: the catalogue lists
// the hives, the run compacts the ticked ones, Windows restarts, the results
// list the sizes before and after, and the backup is removed.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "catalogue/HiveList.h"
#include "compaction/CompactionRun.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/ProgramCopy.h"
#include "compaction/ProtectedFolders.h"
#include "hive/ContentDiff.h"
#include "platform/RegistryKeyPaths.h"
#include "platform/fake/FakeHiveBytes.h"
#include "platform/fake/FakeWindows.h"
#include "results/LastRun.h"
#include "results/ResultsReview.h"
#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::FakeWindows;

constexpr const wchar_t* kConfig = L"C:\\Windows\\System32\\config\\";
using platform::kRunOnceKey;

// A live hive file grown by data since deleted: its file still holds a large
// value that the key no longer has, as a hive's free space does.
void MountGrownHive(FakeWindows& fake, platform::KeyHandle root, const std::wstring& keyName,
                    const std::wstring& file, std::size_t removedBytes) {
  platform::fake::FakeKey content;
  content.name = keyName;
  content.values.push_back({L"Kept", platform::kRegSz, {'k', 0, 0, 0}});
  content.values.push_back(
      {L"Removed", platform::kRegBinary, std::vector<std::uint8_t>(removedBytes, 7)});
  auto child = std::make_unique<platform::fake::FakeKey>();
  child->name = L"Child";
  child->values.push_back({L"Deep", platform::kRegDword, {1, 2, 3, 4}});
  content.subkeys.push_back(std::move(child));
  fake.MountHiveFile(root, keyName, file,
                     platform::fake::SavedHiveBytes(content, platform::kRegLatestFormat));
  platform::fake::FakeKey* key = fake.registry.FindKey(root, keyName);
  key->values.pop_back();
  // The start-up key every SOFTWARE hive has, in each hive alike.
  fake.registry.EnsureKey(root, keyName + L"\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
}

// Every difference in logical content between two hive files, one line each.
std::vector<std::string> ContentDifferences(FakeWindows& fake, const std::wstring& first,
                                            const std::wstring& second) {
  hive::ContentDiffResult diff =
      hive::DiffHiveContent(*fake.files.ReadFile(first), *fake.files.ReadFile(second), 0);
  if (!diff.readable) return {"unreadable: " + diff.error};
  std::vector<std::string> lines;
  for (const hive::ContentDifference& difference : diff.differences)
    lines.push_back(difference.path + ": " + difference.what);
  return lines;
}

TEST(WholeCycle, FillRunRestartResultsAndRemove) {
  test_support::FakeMachine fake;
  MountGrownHive(fake, platform::kHKeyLocalMachine, L"SOFTWARE",
                 std::wstring(kConfig) + L"SOFTWARE", 200000);
  MountGrownHive(fake, platform::kHKeyLocalMachine, L"SYSTEM", std::wstring(kConfig) + L"SYSTEM",
                 100000);
  MountGrownHive(fake, platform::kHKeyUsers, L".DEFAULT", std::wstring(kConfig) + L"DEFAULT",
                 50000);
  const std::uint64_t softwareBefore = *fake.files.SizeOf(std::wstring(kConfig) + L"SOFTWARE");
  const std::uint64_t systemBefore = *fake.files.SizeOf(std::wstring(kConfig) + L"SYSTEM");
  const std::uint64_t defaultBefore = *fake.files.SizeOf(std::wstring(kConfig) + L"DEFAULT");
  const platform::DescriptorBytes softwareDescriptor =
      fake.files.SecurityOf(std::wstring(kConfig) + L"SOFTWARE");

  // The main window's list, every hive ticked but SYSTEM, which the user unticked.
  std::vector<std::unique_ptr<HiveEntry>> hives = CollectHives();
  ASSERT_EQ(hives.size(), 3u);
  std::vector<CompactionRow> rows;
  for (const auto& hive : hives) rows.push_back({hive.get(), hive->name != L"HKLM\\SYSTEM"});

  ResultsProgramHold program(ResultsProgram::kRunningProgram);
  CompactionOutcome outcome = RunCompaction(rows, true, L"restarting");
  EXPECT_EQ(outcome.scheduled, 2);
  EXPECT_TRUE(outcome.closeWindow);
  ASSERT_EQ(fake.system.shutdownRequests.size(), 1u);
  EXPECT_TRUE(fake.registry.GetValue(platform::kHKeyLocalMachine, kRunOnceKey, L"Kelvaro"));

  const std::wstring copies = fake.registry.scheduledReplacements.at(0).newFile;
  fake.Restart();
  EXPECT_TRUE(fake.unbootableHives.empty());
  // As the results mode does first after the restart.
  SettleLiveDescriptors(*SystemWindowsFolder());
  const std::uint64_t softwareAfter = *fake.files.SizeOf(std::wstring(kConfig) + L"SOFTWARE");
  EXPECT_LT(softwareAfter, softwareBefore);
  EXPECT_EQ(fake.files.SizeOf(std::wstring(kConfig) + L"SYSTEM"), systemBefore)
      << "an unticked hive is left alone";
  // The new live file holds what the old one held, less the deleted value and
  // with the start-up key made since the mount, under the old file's permissions.
  EXPECT_EQ(ContentDifferences(fake, L"C:\\Windows\\Kelvaro Backup\\Run-1\\SOFTWARE",
                               std::wstring(kConfig) + L"SOFTWARE"),
            (std::vector<std::string>{
                "SOFTWARE: value 'Removed' only in the first hive",
                "SOFTWARE\\Microsoft: key only in the second hive (with 3 keys below it)"}));
  EXPECT_EQ(fake.files.SecurityOf(std::wstring(kConfig) + L"SOFTWARE"), softwareDescriptor);
  EXPECT_FALSE(fake.files.Exists(copies));

  // The results window: the last run on record, its backups hashed first.
  const std::optional<ReviewedRun> run = ReviewLastRun();
  ASSERT_TRUE(run.has_value());
  std::vector<std::unique_ptr<HiveResultEntry>> results = CollectResults(run->backupFolder);
  ASSERT_EQ(results.size(), 2u);
  for (const auto& result : results) {
    if (result->name == L"HKLM\\SOFTWARE") {
      EXPECT_EQ(result->previousSize, softwareBefore);
      EXPECT_EQ(result->currentSize, softwareAfter);
    } else {
      EXPECT_EQ(result->name, CString(L"HKU\\.DEFAULT"));
      EXPECT_EQ(result->previousSize, defaultBefore);
      EXPECT_LT(result->currentSize, defaultBefore);
    }
  }

  std::vector<const HiveResultEntry*> listed;
  for (const auto& result : results) listed.push_back(result.get());
  RemoveBackup(listed, run->backupFolder, run->backupsOnRecord);
  EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro Backup"));
  EXPECT_TRUE(fake.files.Exists(std::wstring(kConfig) + L"SOFTWARE")) << "the live hive stays";
}

}  // namespace
