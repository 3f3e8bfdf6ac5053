// The whole cycle on real hives from the shared samples, mounted from their
// files: Defragment, a restart of the fake Windows, then the new live file
// holds the old one's content under the old file's descriptor, and the
// results list both sizes. A hive already as compact as a save makes it is
// left alone instead, named with that reason. Reported as skipped, by name,
// when the samples cannot be seen.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/HiveList.h"
#include "compaction/CompactionRun.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/ProtectedFolders.h"
#include "hive/HiveTreeReader.h"
#include "hive/Names.h"
#include "platform/fake/FakeWindows.h"
#include "results/LastRun.h"
#include "results/ResultsReview.h"
#include "tests/hive/HiveTestSupport.h"
#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::FakeWindows;

// Keys and values as a save keeps them: names, types and data, subkeys in the
// registry's order; times, flags and descriptors aside.
bool SameContent(const hive::HiveKey& a, const hive::HiveKey& b, std::string& where) {
  auto sameValues = [](const std::vector<hive::HiveValue>& x,
                       const std::vector<hive::HiveValue>& y) {
    return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                      [](const hive::HiveValue& v, const hive::HiveValue& w) {
                        return v.name == w.name && v.type == w.type && v.data == w.data;
                      });
  };
  if (hive::CompareNames(a.name, b.name) != 0 || !sameValues(a.values, b.values) ||
      a.subkeys.size() != b.subkeys.size()) {
    where = std::string(a.name.begin(), a.name.end());
    return false;
  }
  auto sorted = [](const std::vector<hive::HiveKey>& keys) {
    std::vector<const hive::HiveKey*> order;
    for (const hive::HiveKey& key : keys) order.push_back(&key);
    std::sort(order.begin(), order.end(), [](const hive::HiveKey* x, const hive::HiveKey* y) {
      return hive::CompareNames(x->name, y->name) < 0;
    });
    return order;
  };
  std::vector<const hive::HiveKey*> left = sorted(a.subkeys);
  std::vector<const hive::HiveKey*> right = sorted(b.subkeys);
  for (std::size_t index = 0; index < left.size(); ++index) {
    if (!SameContent(*left[index], *right[index], where)) return false;
  }
  return true;
}

// The root key's own name is the saver's choice, not content.
hive::HiveKey ContentOf(FakeWindows& fake, const std::wstring& file) {
  hive::HiveKey root = hive::ReadHiveTree(*fake.files.ReadFile(file), {}).tree.root;
  root.name.clear();
  return root;
}

TEST(SharedHivesCycle, RealHivesComeBackWithTheirContentAndDescriptor) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  struct Row {
    const char* sample;
    const wchar_t* keyName;
  };
  const Row rows[] = {{"dfwinreg/dfwinreg-SAM", L"SAM"},
                      {"dfwinreg/dfwinreg-SECURITY", L"SECURITY"},
                      {"regipy/NTUSER.DAT", L"USERHIVE"},
                      {"dfwinreg/dfwinreg-NTUSER.DAT", L"OTHERUSER"}};
  hivetest::CScratchFolder scratch;
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    const Row& row = rows[index];
    const std::filesystem::path unpacked = hivetest::Unpack(scratch.Path(), row.sample);
    ASSERT_FALSE(unpacked.empty()) << "row " << index << ": cannot unpack " << row.sample;
    test_support::FakeMachine fake;
    const std::wstring live = std::wstring(L"C:\\Windows\\System32\\config\\") + row.keyName;
    fake.MountHiveFile(platform::kHKeyLocalMachine, row.keyName, live, hivetest::ReadAll(unpacked));
    const std::uint64_t sizeBefore = *fake.files.SizeOf(live);
    const platform::DescriptorBytes descriptor = fake.files.SecurityOf(live);

    std::vector<std::unique_ptr<HiveEntry>> hives = CollectHives();
    std::vector<CompactionRow> rowsShown;
    for (const auto& hive : hives) rowsShown.push_back({hive.get(), true});
    CompactionOutcome outcome = RunCompaction(rowsShown, true, L"restarting");
    const std::string label = std::string("row ") + std::to_string(index) + ": " + row.sample;
    if (outcome.scheduled == 0) {
      ASSERT_EQ(outcome.notScheduled.size(), 1u) << label;
      EXPECT_EQ(outcome.notScheduled[0].reason, NotScheduledReason::kNoGain) << label;
      EXPECT_EQ(fake.files.SizeOf(live), sizeBefore) << label;
      std::cout << row.sample << ": " << sizeBefore << " bytes, left as it is (no gain)\n";
      continue;
    }
    fake.Restart();
    EXPECT_TRUE(fake.unbootableHives.empty()) << label;
    // As the results mode does first after the restart.
    SettleLiveDescriptors(*SystemWindowsFolder());
    const std::wstring backup = std::wstring(L"C:\\Windows\\Kelvaro Backup\\Run-1\\") + row.keyName;
    std::string where;
    EXPECT_TRUE(SameContent(ContentOf(fake, live), ContentOf(fake, backup), where))
        << label << ": differs at " << where;
    EXPECT_EQ(fake.files.SecurityOf(live), descriptor) << label;
    const std::optional<ReviewedRun> run = ReviewLastRun();
    ASSERT_TRUE(run.has_value()) << label;
    std::vector<std::unique_ptr<HiveResultEntry>> results = CollectResults(run->backupFolder);
    ASSERT_EQ(results.size(), 1u) << label;
    EXPECT_EQ(results[0]->previousSize, sizeBefore) << label;
    EXPECT_EQ(results[0]->currentSize, *fake.files.SizeOf(live)) << label;
    EXPECT_LT(results[0]->currentSize, sizeBefore) << label;
    std::cout << row.sample << ": " << sizeBefore << " bytes before, " << results[0]->currentSize
              << " after\n";
  }
}

}  // namespace
