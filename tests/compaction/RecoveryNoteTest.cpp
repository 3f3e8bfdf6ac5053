// The recovery note: one copy command per replaced hive, from its backup to
// its live place, in the order scheduled; written with the protected
// descriptor beside the backups, and gone with them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/HiveFileName.h"
#include "compaction/RecoveryNote.h"
#include "platform/SecurityDescriptor.h"
#include "results/ResultsReview.h"
#include "tests/compaction/CompactionMachine.h"

namespace {

using compaction_test::CompactionMachine;

std::string TextOf(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(RecoveryNoteTest, OneCopyCommandPerReplacedHiveInScheduleOrder) {
  CompactionMachine machine;
  CompactionOutcome outcome = machine.Run({L"HKLM\\SAM", L"-HKLM\\SOFTWARE", L"HKU\\.DEFAULT"});
  ASSERT_EQ(outcome.scheduled, 2);
  const std::wstring notePath = compaction_test::kBackupFolder + L"\\" + kRecoveryNoteName;
  std::optional<std::vector<std::uint8_t>> note = machine.fake.files.ReadFile(notePath);
  ASSERT_TRUE(note.has_value());
  const std::string text = TextOf(*note);
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
  const std::vector<std::string> commands = {
      "copy /y \"C:\\Windows\\Kelvaro Backup\\SAM\" \"C:\\Windows\\System32\\config\\SAM\"\r\n",
      "copy /y \"C:\\Windows\\Kelvaro Backup\\.DEFAULT\" "
      "\"C:\\Windows\\System32\\config\\DEFAULT\"\r\n"};
  std::size_t previous = 0;
  for (std::size_t index = 0; index < commands.size(); ++index) {
    std::size_t at = text.find(commands[index]);
    ASSERT_NE(at, std::string::npos) << "command " << index << ": " << commands[index];
    EXPECT_GT(at, previous) << "command " << index;
    previous = at;
  }
  EXPECT_EQ(text.find("SOFTWARE\""), std::string::npos) << "an unticked hive is not named";
  EXPECT_EQ(machine.fake.files.SecurityOf(notePath), platform::ProtectedDescriptor());

  // Delete Backup after the restart takes the note along, and then the folder.
  machine.fake.Restart();
  CPathName backupFolder;
  backupFolder.SetPath(compaction_test::kBackupFolder.c_str());
  std::vector<std::unique_ptr<HiveResultEntry>> results = CollectResults(backupFolder);
  std::vector<const HiveResultEntry*> listed;
  for (const auto& result : results) listed.push_back(result.get());
  RemoveBackup(listed, backupFolder);
  EXPECT_FALSE(machine.fake.files.Exists(compaction_test::kBackupFolder));
}

TEST(RecoveryNoteTest, NoNoteWhenNothingWasScheduled) {
  CompactionMachine machine;
  machine.fake.faults.Fail("RegReplaceKeyW", platform::kErrorAccessDenied,
                           platform::fake::FaultPlan::kAlways);
  machine.Run({L"HKLM\\SAM"});
  EXPECT_FALSE(
      machine.fake.files.Exists(compaction_test::kBackupFolder + L"\\" + kRecoveryNoteName));
}

}  // namespace
