#include "compaction/RecoveryNote.h"

#include <string>

#include "catalogue/HiveFileName.h"
#include "compaction/RecoveryScript.h"
#include "hive/Names.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr char kNewLine[] = "\r\n";

void AppendUtf8(std::string& out, const wchar_t* text) {
  out += hive::ToUtf8(hive::FromWide(text));
}

void RemoveIfThere(const CPathName& file) {
  if (!FileExists(file)) return;
  ClearReadOnly(file);
  platform::Current().Files().RemoveFile(file.GetText().GetBuffer());
}

void AppendLine(std::string& out, const char* line) {
  out += line;
  out += kNewLine;
}

}  // namespace

std::vector<std::uint8_t> RecoveryNoteText(const std::vector<RestoreStep>& steps) {
  std::string text = "\xEF\xBB\xBF";
  AppendLine(text, "Kelvaro replaced the registry hives below with compact copies at the restart.");
  AppendLine(text, "The previous files are kept in this folder.");
  AppendLine(text, "");
  AppendLine(text, "If Windows does not start any more, put the previous files back:");
  AppendLine(text,
             "1. Start the Windows Recovery Environment (Troubleshoot, then Command Prompt).");
  AppendLine(text, "2. If BitLocker protects the Windows drive, unlock it first:");
  AppendLine(text, "   manage-bde -unlock C: -RecoveryPassword <the 48-digit recovery key>");
  AppendLine(text, "   (manage-bde -status lists the drives; the letter may differ from C:).");
  AppendLine(text, "3. Run \"Restore previous hives.cmd\" in this folder: it finds the drive,");
  AppendLine(text, "   checks the backups and puts them back (\"dir D:\\Windows\\Kelvaro Backup\"");
  AppendLine(text, "   shows whether Windows is on D:, and so on).");
  AppendLine(text, "   Or by hand, each drive letter replaced by that one: move each hive's");
  AppendLine(text, "   .LOG1 and .LOG2 files aside (they belong to the compacted file), then");
  AppendLine(text, "");
  for (const RestoreStep& step : steps) {
    text += "   copy /y \"";
    AppendUtf8(text, step.backupFile.GetText().GetBuffer());
    text += "\" \"";
    AppendUtf8(text, step.hiveFile.GetText().GetBuffer());
    text += "\"";
    text += kNewLine;
  }
  AppendLine(text, "");
  AppendLine(text, "4. Close the command prompt and start Windows.");
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool WriteRecoveryNote(const CPathName& backupFolder, const std::vector<RestoreStep>& steps) {
  const CPathName note = Combine(backupFolder, CPathComponent(kRecoveryNoteName));
  // Only ever inside the protected backup folder.
  RemoveIfThere(note);
  return platform::Current().Files().WriteNewFile(
      note.GetText().GetBuffer(), RecoveryNoteText(steps), platform::ProtectedDescriptor());
}

void RemoveRecoveryFiles(const CPathName& runBackupFolder) {
  RemoveIfThere(Combine(runBackupFolder, CPathComponent(kRecoveryNoteName)));
  RemoveIfThere(Combine(runBackupFolder, CPathComponent(kRecoveryScriptName)));
  platform::Current().Files().RemoveEmptyDirectory(runBackupFolder.GetText().GetBuffer());
}
