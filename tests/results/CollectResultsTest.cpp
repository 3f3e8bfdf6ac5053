#include "results/ResultsReview.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/SizeText.h"
#include "tests/results/ResultsMachine.h"

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;

// One record as text: name|previousSize|currentSize.
std::wstring Describe(const HiveResultEntry& entry) {
  return entry.name.str() + L"|" + std::to_wstring(entry.previousSize) + L"|" +
         std::to_wstring(entry.currentSize);
}

std::vector<std::wstring> DescribeAll(
    const std::vector<std::unique_ptr<HiveResultEntry>>& records) {
  std::vector<std::wstring> rows;
  for (const auto& record : records) rows.push_back(Describe(*record));
  return rows;
}

TEST(CollectResultsTest, ListsAHiveOnlyWithBothABackupCopyAndALiveFile) {
  enum class Backup { none, file, folder };
  struct Row {
    const char* what;
    std::wstring kernelName;
    std::optional<std::uint64_t> liveSize;  // none: no live file
    Backup backup;
    std::wstring backupLeaf;
    std::uint64_t backupSize;
    std::uint32_t backupAttributes;
    std::wstring expected;  // the record, or empty for none
  };
  constexpr std::uint32_t kArchive = platform::kFileAttributeArchive;
  const Row rows[] = {
      {"a compacted hive", L"\\REGISTRY\\MACHINE\\SOFTWARE", 12 * kMiB, Backup::file, L"SOFTWARE",
       40 * kMiB, kArchive, L"HKLM\\SOFTWARE|41943040|12582912"},
      {"sizes above 4 GiB", L"\\REGISTRY\\MACHINE\\SOFTWARE", 4 * kGiB + 3, Backup::file,
       L"SOFTWARE", 5 * kGiB + 1, kArchive, L"HKLM\\SOFTWARE|5368709121|4294967299"},
      {"sizes under a kilobyte", L"\\REGISTRY\\USER\\S-1-5-20", 1023, Backup::file, L"S-1-5-20", 1,
       kArchive, L"HKU\\S-1-5-20|1|1023"},
      {"a read-only, hidden backup copy", L"\\REGISTRY\\MACHINE\\SAM", 8192, Backup::file, L"SAM",
       65536, platform::kFileAttributeReadOnly | platform::kFileAttributeHidden | kArchive,
       L"HKLM\\SAM|65536|8192"},
      {"a backup copy named in other case", L"\\registry\\machine\\software", 4096, Backup::file,
       L"SOFTWARE", 8192, kArchive, L"HKLM\\software|8192|4096"},
      {"a leaf with a leading dot", L"\\REGISTRY\\USER\\.DEFAULT", 4096, Backup::file, L".DEFAULT",
       8192, kArchive, L"HKU\\.DEFAULT|8192|4096"},
      {"no backup copy", L"\\REGISTRY\\MACHINE\\SOFTWARE", 4096, Backup::none, L"", 0, 0, L""},
      {"a backup copy of size 0", L"\\REGISTRY\\MACHINE\\SOFTWARE", 4096, Backup::file, L"SOFTWARE",
       0, kArchive, L""},
      {"a folder at the leaf name", L"\\REGISTRY\\MACHINE\\SOFTWARE", 4096, Backup::folder,
       L"SOFTWARE", 0, 0, L""},
      {"no live file", L"\\REGISTRY\\MACHINE\\SOFTWARE", std::nullopt, Backup::file, L"SOFTWARE",
       8192, kArchive, L""},
      {"a live file of size 0", L"\\REGISTRY\\MACHINE\\SOFTWARE", 0, Backup::file, L"SOFTWARE",
       8192, kArchive, L""},
      {"a wildcard leaf does not borrow another backup", L"\\REGISTRY\\USER\\S*", 4096,
       Backup::file, L"S-1-5-20", 8192, kArchive, L""},
      {"a leaf no file can be named", L"\\REGISTRY\\MACHINE\\a|b", 4096, Backup::none, L"", 0, 0,
       L""},
      {"a leaf that reads as a drive", L"\\REGISTRY\\MACHINE\\D:", 4096, Backup::none, L"", 0, 0,
       L""},
      {"a kernel name with neither root", L"Hive", 4096, Backup::none, L"", 0, 0, L""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    ResultsMachine machine;
    machine.ListHive(row.kernelName, L"Hives\\row");
    if (row.liveSize) machine.AddLiveFile(L"Hives\\row", *row.liveSize);
    if (row.backup == Backup::file) {
      machine.AddBackup(row.backupLeaf, row.backupSize, row.backupAttributes);
    } else if (row.backup == Backup::folder) {
      machine.fake.files.AddFolder(ResultsMachine::BackupPath(row.backupLeaf));
    }
    // A compacted hive after it: the enumeration goes on past a hive left out.
    machine.ListHive(L"\\REGISTRY\\MACHINE\\SYSTEM", L"Hives\\system");
    machine.AddLiveFile(L"Hives\\system", 2 * kMiB);
    machine.AddBackup(L"SYSTEM", 3 * kMiB);

    std::vector<std::wstring> expected;
    if (!row.expected.empty()) expected.push_back(row.expected);
    expected.push_back(L"HKLM\\SYSTEM|3145728|2097152");
    std::vector<std::unique_ptr<HiveResultEntry>> records;
    EXPECT_NO_THROW(records = CollectResults(machine.backupFolder))
        << "row " << i << ": " << row.what;
    EXPECT_EQ(DescribeAll(records), expected) << "row " << i << ": " << row.what;
  }
}

TEST(CollectResultsTest, ShowsWholeKilobytesRoundedDownInTheSystemLocale) {
  ResultsMachine machine;
  machine.fake.locale.system.thousand = L".";
  machine.ListHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", L"Hives\\software");
  machine.AddLiveFile(L"Hives\\software", 1023);
  machine.AddBackup(L"SOFTWARE", 18874368 + 1023);
  const auto records = CollectResults(machine.backupFolder);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(FormatSizeKB(records[0]->previousSize).str(), L"18.432 KB");
  EXPECT_EQ(FormatSizeKB(records[0]->currentSize).str(), L"0 KB");
}

TEST(CollectResultsTest, AnUnreadableHiveListGivesNoRecords) {
  ResultsMachine machine;
  machine.ListHive(L"\\REGISTRY\\MACHINE\\SYSTEM", L"Hives\\system");
  machine.AddLiveFile(L"Hives\\system", 4096);
  machine.AddBackup(L"SYSTEM", 8192);
  machine.fake.faults.Fail("RegOpenKeyExW", platform::kErrorAccessDenied);
  EXPECT_TRUE(CollectResults(machine.backupFolder).empty());
}

TEST(CollectResultsTest, WithoutABackupFolderNoFileInTheWorkingFolderIsTakenForABackup) {
  ResultsMachine machine;
  machine.fake.files.currentDirectory = L"C:\\";
  machine.ListHive(L"\\REGISTRY\\MACHINE\\SYSTEM", L"Hives\\system");
  machine.AddLiveFile(L"Hives\\system", 4096);
  machine.fake.files.AddFile(L"C:\\SYSTEM", 8192);
  EXPECT_TRUE(CollectResults(CPathName()).empty());
}

}  // namespace
