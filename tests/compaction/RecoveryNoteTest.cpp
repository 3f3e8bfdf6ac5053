// The recovery note: one copy command per replaced hive, from its backup to
// its live place, in the order scheduled; written with the protected
// descriptor beside the backups, and gone with them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/HiveFileName.h"
#include "compaction/RecoveryNote.h"
#include "compaction/RecoveryScript.h"
#include "compaction/RunRecord.h"
#include "platform/SecurityDescriptor.h"
#include "compaction/RunRecordFile.h"
#include "hive/Sha256.h"
#include "results/LastRun.h"
#include "results/ResultsReview.h"
#include "tests/compaction/CompactionMachine.h"
#include "tests/compaction/CraftedRecord.h"

namespace {

using compaction_test::CompactionMachine;
using compaction_test::Narrow;

std::string TextOf(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(RecoveryNoteTest, OneCopyCommandPerReplacedHiveInScheduleOrder) {
  CompactionMachine machine;
  // A hive with real bytes, whose backup can be read and hashed after the restart.
  machine.MountRealHive(platform::kHKeyLocalMachine, L"HKLM\\COMPONENTS",
                        L"C:\\Windows\\System32\\config\\COMPONENTS", {L"CanonicalData"});
  CompactionOutcome outcome =
      machine.Run({L"HKLM\\SAM", L"-HKLM\\SOFTWARE", L"HKU\\.DEFAULT", L"HKLM\\COMPONENTS"});
  ASSERT_EQ(outcome.scheduled, 3);
  const std::wstring notePath = compaction_test::kRunBackupFolder + L"\\" + kRecoveryNoteName;
  std::optional<std::vector<std::uint8_t>> note = machine.fake.files.ReadFile(notePath);
  ASSERT_TRUE(note.has_value());
  const std::string text = TextOf(*note);
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
  const std::vector<std::string> commands = {
      "copy /y \"C:\\Windows\\Kelvaro Backup\\Run-1\\SAM\" "
      "\"C:\\Windows\\System32\\config\\SAM\"\r\n",
      "copy /y \"C:\\Windows\\Kelvaro Backup\\Run-1\\.DEFAULT\" "
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

  // Delete Backup after the restart takes the note and the script along, and
  // then the run's folder and the backup folder.
  // First the results window puts each backup's hash on record and the
  // script checks the exact sizes.
  machine.fake.Restart();
  const std::optional<ReviewedRun> run = ReviewLastRun();
  ASSERT_TRUE(run.has_value());
  EXPECT_EQ(std::wstring(run->backupFolder.GetText().GetBuffer()),
            compaction_test::kRunBackupFolder);
  CPathName windowsFolder;
  windowsFolder.SetPath(L"C:\\Windows");
  const RunRecord record = *ReadRunRecord(windowsFolder, 1);
  ASSERT_EQ(record.hives.size(), 3u);
  const RecordedHive& components = record.hives[2];
  const auto backup = machine.fake.files.ReadFile(components.backupFile);
  ASSERT_TRUE(backup.has_value());
  EXPECT_EQ(components.backupSha256, hive::Sha256Hex(*backup));
  EXPECT_EQ(components.backupSize, backup->size());
  const std::string script = TextOf(*machine.fake.files.ReadFile(compaction_test::kRunBackupFolder +
                                                                 L"\\" + kRecoveryScriptName));
  EXPECT_NE(script.find("\\COMPONENTS\" " + std::to_string(backup->size()) + " exact"),
            std::string::npos)
      << script;
  std::vector<std::unique_ptr<HiveResultEntry>> results = CollectResults(run->backupFolder);
  std::vector<const HiveResultEntry*> listed;
  for (const auto& result : results) listed.push_back(result.get());
  const std::wstring references = L"C:\\Windows\\Kelvaro\\Records\\Run-1";
  EXPECT_TRUE(machine.fake.files.Exists(references + L"\\COMPONENTS"));
  RemoveRunBackup(listed, *run);
  EXPECT_FALSE(machine.fake.files.Exists(compaction_test::kBackupFolder));
  // Without their backups the kept copies name nothing.
  EXPECT_FALSE(machine.fake.files.Exists(references));
}

TEST(RecoveryNoteTest, NoNoteWhenNothingWasScheduled) {
  CompactionMachine machine;
  machine.fake.faults.Fail("RegReplaceKeyW", platform::kErrorAccessDenied,
                           platform::fake::FaultPlan::kAlways);
  machine.Run({L"HKLM\\SAM"});
  EXPECT_FALSE(
      machine.fake.files.Exists(compaction_test::kRunBackupFolder + L"\\" + kRecoveryNoteName));
}

RunRecord CraftedRecord() {
  RunRecord record = CraftedRunRecord(3);
  const RecordedHive system = record.hives.front();
  RecordedHive user = UserHive(SwapState::kSwapping, L"C:\\Users\\J\u00f6rg\\NTUSER.DAT");
  user.copySize = system.copySize;
  user.backupFile = L"C:\\Windows\\Kelvaro Backup\\Run-3\\S-1-5-21-7";
  RecordedHive left = system;
  left.state = SwapState::kNotScheduled;
  left.name = L"HKLM\\SOFTWARE";
  left.liveFile = L"C:\\Windows\\System32\\config\\SOFTWARE";
  RecordedHive percent = user;
  percent.name = L"HKU\\S-1-5-21-8";
  percent.liveFile = L"C:\\Users\\100%\\NTUSER.DAT";
  record.hives = {system, left, user, percent};
  return record;
}

TEST(RecoveryNoteTest, TheScriptChecksEveryBackupThenPutsEachBackWithItsLogsAside) {
  const std::vector<std::uint8_t> bytes = RecoveryScriptText(CraftedRecord());
  const std::string text = TextOf(bytes);
  const std::string chcp = "chcp 65001 >nul\r\n";
  const std::size_t utf8From = text.find(chcp);
  ASSERT_NE(utf8From, std::string::npos);
  for (std::size_t at = 0; at < utf8From; ++at) {
    ASSERT_LT(static_cast<unsigned char>(text[at]), 0x80u) << "not ASCII before chcp, at " << at;
  }
  // In the order they must run: find the drive, check every backup, then swap.
  const std::string stop = "\r\nif errorlevel 1 exit /b 1\r\n";
  const std::vector<std::string> lines = {
      "@echo off\r\n",
      "rem   manage-bde -unlock C: -RecoveryPassword <the 48-digit recovery key>\r\n",
      chcp,
      "set \"RUN=\\Windows\\Kelvaro Backup\\Run-3\"\r\n",
      "for %%D in (C D E F G H I J K L M N O P Q R S T U V W Y Z) do if not defined W if exist "
      "\"%%D:%RUN%\\\" set \"W=%%D:\"\r\n",
      "call :check \"%W%\\Windows\\Kelvaro Backup\\Run-3\\SYSTEM\" 12587008 exact" + stop,
      "call :check \"%W%\\Windows\\Kelvaro Backup\\Run-3\\S-1-5-21-7\" 524288 least" + stop,
      "echo One hive cannot be put back by this script: see the note.\r\n",
      "call :put \"%W%\\Windows\\Kelvaro Backup\\Run-3\\SYSTEM\" "
      "\"%W%\\Windows\\System32\\config\\SYSTEM\"" +
          stop,
      "call :put \"%W%\\Windows\\Kelvaro Backup\\Run-3\\S-1-5-21-7\" "
      "\"%W%\\Users\\J\xC3\xB6rg\\NTUSER.DAT\"" +
          stop,
      ":check\r\n",
      "if not exist \"%~1\" exit /b 0\r\n",
      "if \"%3\"==\"exact\" if not %~z1 EQU %2 goto :wrongsize\r\n",
      "if %~z1 LSS %2 goto :wrongsize\r\n",
      ":put\r\n",
      "if exist \"%~2.LOG1\" move /y \"%~2.LOG1\" \"%~2.LOG1.compacted\" >nul\r\n"
      "if exist \"%~2.LOG1\" goto :notmoved\r\n",
      "if exist \"%~2.LOG2\" move /y \"%~2.LOG2\" \"%~2.LOG2.compacted\" >nul\r\n"
      "if exist \"%~2.LOG2\" goto :notmoved\r\n",
      "if exist \"%~2\" move /y \"%~2\" \"%~2.compacted\" >nul\r\n"
      "if exist \"%~2\" goto :notmoved\r\n",
      "copy /y \"%~1\" \"%~2\" >nul\r\nif errorlevel 1 goto :notcopied\r\n",
  };
  std::size_t previous = 0;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const std::size_t at = text.find(lines[index], previous);
    ASSERT_NE(at, std::string::npos) << "line " << index << ": " << lines[index];
    previous = at + lines[index].size();
  }
  EXPECT_EQ(text.find("SOFTWARE"), std::string::npos) << "a hive not scheduled is not named";
  EXPECT_EQ(text.find("100%"), std::string::npos) << "a path CALL would spoil is not used";
}

}  // namespace
