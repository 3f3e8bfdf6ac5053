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
#include <set>
#include <string>
#include <vector>

#include "catalogue/HiveList.h"
#include "compaction/CompactionRun.h"
#include "compaction/LiveDescriptors.h"
#include "compaction/LostWrites.h"
#include "compaction/ProtectedFolders.h"
#include "platform/SecurityDescriptor.h"
#include "hive/HiveTreeReader.h"
#include "hive/Names.h"
#include "platform/fake/FakeWindows.h"
#include "results/LastRun.h"
#include "results/ResultsReview.h"
#include "tests/hive/HiveTestSupport.h"
#include "tests/support/FakeMachine.h"

namespace {

using platform::fake::FakeKey;
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

struct Sample {
  const char* sample;
  const wchar_t* keyName;
};
const Sample kSamples[] = {{"dfwinreg/dfwinreg-SAM", L"SAM"},
                           {"dfwinreg/dfwinreg-SECURITY", L"SECURITY"},
                           {"regipy/NTUSER.DAT", L"USERHIVE"},
                           {"dfwinreg/dfwinreg-NTUSER.DAT", L"OTHERUSER"}};

TEST(SharedHivesCycle, RealHivesComeBackWithTheirContentAndDescriptor) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  const auto& rows = kSamples;
  hivetest::CScratchFolder scratch;
  for (std::size_t index = 0; index < std::size(rows); ++index) {
    const Sample& row = rows[index];
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

// The first key below `key` (itself included) that holds a value.
FakeKey* WithValue(FakeKey& key) {
  if (!key.values.empty()) return &key;
  for (const auto& subkey : key.subkeys) {
    if (FakeKey* found = subkey->isVolatile ? nullptr : WithValue(*subkey)) return found;
  }
  return nullptr;
}

// The first key below `key` (itself included) with two subkeys or more.
FakeKey* Forking(FakeKey& key) {
  if (key.subkeys.size() >= 2) return &key;
  for (const auto& subkey : key.subkeys) {
    if (FakeKey* found = Forking(*subkey)) return found;
  }
  return nullptr;
}

// After the save, five writes Windows would take into the live hive, each
// of a kind: after the restart the report names exactly those five.
TEST(SharedHivesCycle, WritesAfterTheSaveAreNamedAfterTheRestart) {
  KELVARO_SKIP_WITHOUT_SAMPLES();
  hivetest::CScratchFolder scratch;
  for (std::size_t index = 0; index < std::size(kSamples); ++index) {
    const Sample& row = kSamples[index];
    const std::string label = std::string("row ") + std::to_string(index) + ": " + row.sample;
    const std::filesystem::path unpacked = hivetest::Unpack(scratch.Path(), row.sample);
    ASSERT_FALSE(unpacked.empty()) << label;
    test_support::FakeMachine fake;
    const std::wstring live = std::wstring(L"C:\\Windows\\System32\\config\\") + row.keyName;
    fake.MountHiveFile(platform::kHKeyLocalMachine, row.keyName, live, hivetest::ReadAll(unpacked));
    std::vector<std::unique_ptr<HiveEntry>> hives = CollectHives();
    std::vector<CompactionRow> rowsShown;
    for (const auto& hive : hives) rowsShown.push_back({hive.get(), true});
    if (RunCompaction(rowsShown, true, L"restarting").scheduled == 0) continue;  // no gain

    FakeKey& root = *fake.registry.FindKey(platform::kHKeyLocalMachine, row.keyName);
    FakeKey* fork = Forking(root);
    ASSERT_NE(fork, nullptr) << label;
    FakeKey& kept = *fork->subkeys.front();
    FakeKey* valued = WithValue(kept);
    ASSERT_NE(valued, nullptr) << label;
    valued->values.front().data.push_back(0x5A);
    fork->subkeys.back()->deleted = true;
    // A leaf: keys below one whose descriptor changes take it as their own.
    FakeKey* leaf = &kept;
    while (!leaf->subkeys.empty()) leaf = leaf->subkeys.front().get();
    leaf->security = platform::ProtectedDescriptor();
    leaf->className = {'L', 0, 'a', 0, 't', 0, 'e', 0};
    kept.subkeys.push_back(std::make_unique<FakeKey>());
    kept.subkeys.back()->name = L"WrittenAfterTheSave";
    kept.subkeys.back()->parent = &kept;
    fake.WriteHivesToFiles();
    fake.Restart();

    std::optional<CPathName> record = NewestRunRecord(*SystemWindowsFolder());
    ASSERT_TRUE(record.has_value()) << label;
    std::optional<LostWriteReport> report = ReportLostWrites(*record);
    ASSERT_TRUE(report && report->hives.size() == 1) << label;
    std::multiset<LostWriteKind> kinds;
    for (const LostWrite& write : report->hives[0].writes) {
      kinds.insert(write.kind);
      std::cout << row.sample << ": " << LostWriteLine(write) << '\n';
    }
    EXPECT_EQ(kinds, (std::multiset<LostWriteKind>{
                         LostWriteKind::kValueChanged, LostWriteKind::kKeyAdded,
                         LostWriteKind::kKeyDeleted, LostWriteKind::kSecurityChanged,
                         LostWriteKind::kClassNameChanged}))
        << label;
  }
}

}  // namespace
