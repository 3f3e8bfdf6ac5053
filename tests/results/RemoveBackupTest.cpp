#include "results/ResultsReview.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/results/ResultsMachine.h"

namespace {

constexpr std::uint32_t kArchive = platform::kFileAttributeArchive;
const std::wstring kNote = L"How to restore.txt";
const std::wstring kScript = L"Restore previous hives.cmd";

// What is left in the backup folder, by name; "(no folder)" once it is gone.
std::vector<std::wstring> Left(const ResultsMachine& machine) {
  if (!machine.fake.files.Exists(ResultsMachine::kBackupFolderText)) return {L"(no folder)"};
  std::vector<std::wstring> names;
  for (const auto& entry : machine.fake.files.List(ResultsMachine::kBackupFolderText)) {
    names.push_back(entry.name);
  }
  return names;
}

// Records as the results list would hold them, in display order.
struct Listed {
  explicit Listed(const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) {
      records.push_back(std::make_unique<HiveResultEntry>());
      records.back()->name = name;
    }
  }
  std::vector<const HiveResultEntry*> InDisplayOrder() const {
    std::vector<const HiveResultEntry*> pointers;
    for (const auto& record : records) pointers.push_back(record.get());
    return pointers;
  }
  std::vector<std::unique_ptr<HiveResultEntry>> records;
};

TEST(RemoveBackupTest, DeletesTheListedHivesBackupsAndThenTheFolderIfEmpty) {
  struct Entry {
    std::wstring leaf;
    std::uint32_t attributes;  // kFileAttributeDirectory: a folder
  };
  struct Row {
    const char* what;
    std::vector<Entry> inFolder;
    std::vector<std::wstring> listed;
    std::vector<std::wstring> left;
    std::vector<std::wstring> onRecord = {};  // the run's backups the record names
  };
  constexpr std::uint32_t kFolder = platform::kFileAttributeDirectory;
  constexpr std::uint32_t kReadOnlyHiddenArchive =
      platform::kFileAttributeReadOnly | platform::kFileAttributeHidden | kArchive;
  const Row rows[] = {
      {"every listed backup goes, then the folder",
       {{L"SYSTEM", kArchive}, {L"SOFTWARE", kArchive}},
       {L"HKLM\\SOFTWARE", L"HKLM\\SYSTEM"},
       {L"(no folder)"}},
      {"a read-only backup is made writable and deleted",
       {{L"SAM", kReadOnlyHiddenArchive}, {L"S-1-5-20", platform::kFileAttributeReadOnly}},
       {L"HKLM\\SAM", L"HKU\\S-1-5-20"},
       {L"(no folder)"}},
      {"a folder at a leaf name is left alone",
       {{L"SYSTEM", kArchive}, {L"SECURITY", kFolder}},
       {L"HKLM\\SYSTEM", L"HKLM\\SECURITY"},
       {L"SECURITY"}},
      {"a read-only folder at a leaf name is left alone",
       {{L"SECURITY", kFolder | platform::kFileAttributeReadOnly}},
       {L"HKLM\\SECURITY"},
       {L"SECURITY"}},
      {"an unlisted hive's backup keeps the folder",
       {{L"SYSTEM", kArchive}, {L"USERDIFF", kArchive}},
       {L"HKLM\\SYSTEM"},
       {L"USERDIFF"}},
      {"an empty list removes an empty folder", {}, {}, {L"(no folder)"}},
      {"an empty list leaves a folder with backups", {{L"SYSTEM", kArchive}}, {}, {L"SYSTEM"}},
      {"a backup gone since the fill is skipped",
       {{L"SOFTWARE", kArchive}},
       {L"HKLM\\SYSTEM", L"HKLM\\SOFTWARE"},
       {L"(no folder)"}},
      {"a leaf in other case names the same file",
       {{L"SOFTWARE", kArchive}},
       {L"HKLM\\software"},
       {L"(no folder)"}},
      {"names that cannot name a backup are skipped and the rest go on",
       {{L"SYSTEM", kArchive}, {L"S-1-5-20", kArchive}},
       {L"HKLM\\a|b", L"HKLM\\D:", L"HKU\\S*", L"HKLM\\", L"", L"HKLM\\..", L"HKLM\\SYSTEM"},
       {L"S-1-5-20"}},
      {"the note and script stay while a backup on record remains",
       {{L"SYSTEM", kArchive}, {L"USERDIFF", kArchive}, {kNote, kArchive}, {kScript, kArchive}},
       {L"HKLM\\SYSTEM"},
       {kNote, kScript, L"USERDIFF"},
       {L"USERDIFF"}},
      {"the note and script go with the last backup",
       {{L"SYSTEM", platform::kFileAttributeReadOnly}, {kNote, kArchive}, {kScript, kArchive}},
       {L"HKLM\\SYSTEM"},
       {L"(no folder)"},
       {L"SYSTEM"}},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    ResultsMachine machine;
    for (const Entry& entry : row.inFolder) {
      const std::wstring path = ResultsMachine::BackupPath(entry.leaf);
      if ((entry.attributes & kFolder) != 0) {
        machine.fake.files.AddFolder(path);
        machine.fake.files.ChangeFileAttributes(path.c_str(), entry.attributes);
      } else {
        machine.AddBackup(entry.leaf, 8192, entry.attributes);
      }
    }
    // Next to the backup folder: never touched, whatever a name resolves to.
    machine.fake.files.AddFile(L"C:\\Windows\\SYSTEM", 4096);
    const Listed listed(row.listed);
    std::vector<CPathName> onRecord;
    for (const std::wstring& leaf : row.onRecord) {
      onRecord.emplace_back();
      onRecord.back().SetPath(ResultsMachine::BackupPath(leaf).c_str());
    }
    EXPECT_NO_THROW(RemoveBackup(listed.InDisplayOrder(), machine.backupFolder, onRecord))
        << "row " << i << ": " << row.what;
    EXPECT_EQ(Left(machine), row.left) << "row " << i << ": " << row.what;
    EXPECT_TRUE(machine.fake.files.Exists(L"C:\\Windows\\SYSTEM"))
        << "row " << i << ": " << row.what;
  }
}

TEST(RemoveBackupTest, ADeletionThatFailsIsSkippedAndTheRestGoOn) {
  const std::vector<std::wstring> leaves = {L"SYSTEM", L"SOFTWARE", L"SAM"};
  for (int failing = 0; failing < 3; ++failing) {
    ResultsMachine machine;
    for (const std::wstring& leaf : leaves) machine.AddBackup(leaf, 8192);
    const Listed listed({L"HKLM\\SYSTEM", L"HKLM\\SOFTWARE", L"HKLM\\SAM"});
    machine.fake.faults.Fail("DeleteFileW", platform::kErrorAccessDenied, 1, failing);
    RemoveBackup(listed.InDisplayOrder(), machine.backupFolder);
    EXPECT_EQ(machine.fake.faults.CallCount("DeleteFileW"), 3) << "failing deletion " << failing;
    // The folder removal was tried and failed on the file left in it.
    EXPECT_EQ(machine.fake.faults.CallCount("RemoveDirectoryW"), 1)
        << "failing deletion " << failing;
    EXPECT_EQ(Left(machine), std::vector<std::wstring>{leaves[static_cast<std::size_t>(failing)]})
        << "failing deletion " << failing;
  }
}

TEST(RemoveBackupTest, NullRecordsAreSkipped) {
  ResultsMachine machine;
  machine.AddBackup(L"SYSTEM", 8192);
  const Listed listed({L"HKLM\\SYSTEM"});
  std::vector<const HiveResultEntry*> rows = {nullptr, listed.records[0].get(), nullptr};
  EXPECT_NO_THROW(RemoveBackup(rows, machine.backupFolder));
  EXPECT_EQ(Left(machine), std::vector<std::wstring>{L"(no folder)"});
}

TEST(RemoveBackupTest, WithoutABackupFolderNothingInTheWorkingFolderIsDeleted) {
  ResultsMachine machine;
  machine.fake.files.currentDirectory = L"C:\\";
  machine.fake.files.AddFile(L"C:\\SYSTEM", 8192);
  const Listed listed({L"HKLM\\SYSTEM"});
  RemoveBackup(listed.InDisplayOrder(), CPathName());
  EXPECT_TRUE(machine.fake.files.Exists(L"C:\\SYSTEM"));
  EXPECT_EQ(machine.fake.faults.CallCount("DeleteFileW"), 0);
  EXPECT_EQ(machine.fake.faults.CallCount("RemoveDirectoryW"), 0);
}

// The review as the results window runs it: the records of the listed hives,
// then the removal over them.
TEST(RemoveBackupTest, RemovesWhatTheReviewListedAndKeepsTheRest) {
  ResultsMachine machine;
  for (const wchar_t* leaf : {L"SYSTEM", L"SOFTWARE"}) {
    machine.ListHive(std::wstring(L"\\REGISTRY\\MACHINE\\") + leaf, leaf);
    machine.AddLiveFile(leaf, 4096);
    machine.AddBackup(leaf, 8192, platform::kFileAttributeReadOnly | kArchive);
  }
  // Compacted, but its live file has gone since: not listed, so its backup stays.
  machine.ListHive(L"\\REGISTRY\\MACHINE\\USERDIFF", L"USERDIFF");
  machine.AddBackup(L"USERDIFF", 8192);

  const auto records = CollectResults(machine.backupFolder);
  ASSERT_EQ(records.size(), 2u);
  std::vector<const HiveResultEntry*> rows;
  for (const auto& record : records) rows.push_back(record.get());
  RemoveBackup(rows, machine.backupFolder);
  EXPECT_EQ(Left(machine), std::vector<std::wstring>{L"USERDIFF"});

  machine.fake.files.Remove(ResultsMachine::BackupPath(L"USERDIFF"));
  RemoveBackup(rows, machine.backupFolder);
  EXPECT_EQ(Left(machine), std::vector<std::wstring>{L"(no folder)"});
}

}  // namespace
