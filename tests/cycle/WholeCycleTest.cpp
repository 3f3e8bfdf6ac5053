// The whole cycle on the fake Windows, as a user lives it: the catalogue lists
// the hives, the run compacts the ticked ones, Windows restarts, the results
// list the sizes before and after, and the backup is removed.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "catalogue/HiveList.h"
#include "compaction/BackupFolder.h"
#include "compaction/CompactionRun.h"
#include "platform/RegistryKeyPaths.h"
#include "platform/fake/FakeWindows.h"
#include "results/ResultsReview.h"

namespace {

using platform::fake::FakeWindows;

constexpr const wchar_t* kConfig = L"C:\\Windows\\System32\\config\\";
using platform::kRunOnceKey;

TEST(WholeCycle, FillRunRestartResultsAndRemove) {
  FakeWindows fake;
  platform::ScopedPlatform installed(fake);
  fake.MountHive(platform::kHKeyLocalMachine, L"SOFTWARE", std::wstring(kConfig) + L"SOFTWARE",
                 40u << 20, 28u << 20);
  fake.MountHive(platform::kHKeyLocalMachine, L"SYSTEM", std::wstring(kConfig) + L"SYSTEM", 12u << 20,
                 9u << 20);
  fake.MountHive(platform::kHKeyUsers, L".DEFAULT", std::wstring(kConfig) + L"DEFAULT", 1u << 20,
                 512u << 10);

  // The main window's list, every hive ticked but SYSTEM, which the user unticked.
  std::vector<std::unique_ptr<HiveEntry>> hives = CollectHives();
  ASSERT_EQ(hives.size(), 3u);
  std::vector<CompactionRow> rows;
  for (const auto& hive : hives) rows.push_back({hive.get(), hive->name != L"HKLM\\SYSTEM"});

  CompactionOutcome outcome = RunCompaction(rows, true, L"restarting");
  EXPECT_EQ(outcome.scheduled, 2);
  EXPECT_TRUE(outcome.closeWindow);
  ASSERT_EQ(fake.system.shutdownRequests.size(), 1u);
  EXPECT_TRUE(fake.registry.GetValue(platform::kHKeyLocalMachine, kRunOnceKey, L"Kelvaro"));

  fake.Restart();
  EXPECT_EQ(fake.files.SizeOf(std::wstring(kConfig) + L"SOFTWARE"), std::optional<std::uint64_t>(28u << 20));
  EXPECT_EQ(fake.files.SizeOf(std::wstring(kConfig) + L"SYSTEM"), std::optional<std::uint64_t>(12u << 20))
      << "an unticked hive is left alone";

  CPathName backupFolder = GetBackupFolder();
  std::vector<std::unique_ptr<HiveResultEntry>> results = CollectResults(backupFolder);
  ASSERT_EQ(results.size(), 2u);
  for (const auto& result : results) {
    if (result->name == L"HKLM\\SOFTWARE") {
      EXPECT_EQ(result->previousSize, 40u << 20);
      EXPECT_EQ(result->currentSize, 28u << 20);
    } else {
      EXPECT_EQ(result->name, CString(L"HKU\\.DEFAULT"));
      EXPECT_EQ(result->previousSize, 1u << 20);
      EXPECT_EQ(result->currentSize, 512u << 10);
    }
  }

  std::vector<const HiveResultEntry*> listed;
  for (const auto& result : results) listed.push_back(result.get());
  RemoveBackup(listed, backupFolder);
  EXPECT_FALSE(fake.files.Exists(L"C:\\Windows\\Kelvaro Backup"));
  EXPECT_TRUE(fake.files.Exists(std::wstring(kConfig) + L"SOFTWARE")) << "the live hive stays";
}

}  // namespace
