#include "compaction/RecoveryScript.h"

#include <string>

#include "hive/Names.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr char kNewLine[] = "\r\n";
// After each step: a failure stops the script where it is.
constexpr char kStop[] = "if errorlevel 1 exit /b 1";

void Line(std::string& out, const std::string& line) {
  out += line;
  out += kNewLine;
}

// "C:\Windows\..." without its drive, in UTF-8. Empty for a path that does not
// start with a drive letter and a backslash, or that holds % or ^: CALL
// expands and doubles those even between quotes (nothing else in a path means
// anything to CMD there).
std::string WithoutDrive(const std::wstring& path) {
  if (path.size() < 4 || path[1] != L':' || path[2] != L'\\') return {};
  if (path.find_first_of(L"%^") != std::wstring::npos) return {};
  const wchar_t drive = path[0];
  if (!((drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z'))) return {};
  return hive::ToUtf8(hive::FromWide(std::wstring_view(path).substr(2)));
}

std::string Quoted(const std::string& withoutDrive) { return "\"%W%" + withoutDrive + "\""; }

// The run's backup folder without its drive: the backup's path up to its name.
std::string RunFolderOf(const RunRecord& record) {
  for (const RecordedHive& hive : record.hives) {
    const std::string backup = WithoutDrive(hive.backupFile);
    const std::size_t slash = backup.rfind('\\');
    if (hive.MaySwap() && slash != std::string::npos && slash > 0) return backup.substr(0, slash);
  }
  return "\\Windows\\Kelvaro Backup\\Run-" + std::to_string(record.number);
}

}  // namespace

std::vector<std::uint8_t> RecoveryScriptText(const RunRecord& record) {
  const std::string run = std::to_string(record.number);
  std::string text;
  Line(text, "@echo off");
  Line(text, "rem Kelvaro run " + run + ", started " + record.started +
                 ": puts back the hive files it replaced.");
  Line(text, "rem Run it from the command prompt of the Windows Recovery Environment.");
  Line(text, "rem A volume locked by BitLocker must be unlocked first:");
  Line(text, "rem   manage-bde -unlock C: -RecoveryPassword <the 48-digit recovery key>");
  Line(text, "rem Backups are checked by size: the recovery environment has no tool to hash");
  Line(text, "rem a file. The lines below are UTF-8; before chcp 65001 cmd would read them");
  Line(text, "rem in the console's OEM code page.");
  Line(text, "chcp 65001 >nul");
  Line(text, "setlocal EnableExtensions DisableDelayedExpansion");
  Line(text, "set \"RUN=" + RunFolderOf(record) + "\"");
  Line(text, "set \"W=\"");
  // X: is the recovery environment's own system drive.
  Line(text,
       "for %%D in (C D E F G H I J K L M N O P Q R S T U V W Y Z) do if not defined W if exist "
       "\"%%D:%RUN%\\\" set \"W=%%D:\"");
  Line(text, "if not defined W (");
  Line(text, "  echo No drive holds \"%RUN%\". Unlock BitLocker first: manage-bde -unlock");
  Line(text, "  exit /b 1");
  Line(text, ")");
  Line(text, "echo Windows is on %W%.");

  std::string checks;
  std::string swaps;
  for (const RecordedHive& hive : record.hives) {
    if (!hive.MaySwap()) continue;
    const std::string live = WithoutDrive(hive.liveFile);
    const std::string backup = WithoutDrive(hive.backupFile);
    if (live.empty() || backup.empty()) {
      checks +=
          "echo One hive cannot be put back by this script: see the note." + std::string(kNewLine);
      continue;
    }
    // Recorded once the swap had taken place; before that, the least size the
    // previous file had when its copy was saved (a loaded hive only grows).
    const bool exact = hive.backupSize != 0;
    const std::uint64_t size = exact ? hive.backupSize : hive.liveSize;
    checks += "call :check " + Quoted(backup) + " " + std::to_string(size) + " " +
              (exact ? "exact" : "least") + kNewLine + kStop + kNewLine;
    swaps += "call :put " + Quoted(backup) + " " + Quoted(live) + kNewLine + kStop + kNewLine;
  }
  text += checks;
  text += swaps;
  Line(text, "echo Done. Close the command prompt and start Windows.");
  Line(text, "exit /b 0");
  Line(text, "");
  Line(text, ":check");
  Line(text, "if not exist \"%~1\" exit /b 0");
  Line(text, "if \"%3\"==\"exact\" if not %~z1 EQU %2 goto :wrongsize");
  Line(text, "if %~z1 LSS %2 goto :wrongsize");
  Line(text, "exit /b 0");
  Line(text, ":wrongsize");
  Line(text, "echo \"%~1\" is %~z1 bytes, not the %2 on record: nothing was changed.");
  Line(text, "exit /b 1");
  Line(text, "");
  Line(text, ":put");
  Line(text, "if not exist \"%~1\" (");
  Line(text, "  echo \"%~2\" was not swapped: left as it is.");
  Line(text, "  exit /b 0");
  Line(text, ")");
  // Judged by what is there afterwards, not by the exit codes of move.
  for (const char* log : {".LOG1", ".LOG2"}) {
    const std::string file = std::string("\"%~2") + log + "\"";
    Line(text, "if exist " + file + " move /y " + file + " \"%~2" + log + ".compacted\" >nul");
    Line(text, "if exist " + file + " goto :notmoved");
  }
  Line(text, "if exist \"%~2\" move /y \"%~2\" \"%~2.compacted\" >nul");
  Line(text, "if exist \"%~2\" goto :notmoved");
  Line(text, "copy /y \"%~1\" \"%~2\" >nul");
  Line(text, "if errorlevel 1 goto :notcopied");
  Line(text, "echo \"%~2\" is the previous file again.");
  Line(text, "exit /b 0");
  Line(text, ":notmoved");
  Line(text, "echo \"%~2\" or its logs could not be moved aside: it was left as it is.");
  Line(text, "exit /b 1");
  Line(text, ":notcopied");
  Line(text, "echo \"%~1\" could not be copied back: \"%~2.compacted\" is the compacted file.");
  Line(text, "exit /b 1");
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool WriteRecoveryScript(const CPathName& runBackupFolder, const RunRecord& record) {
  const CPathName script = Combine(runBackupFolder, CPathComponent(kRecoveryScriptName));
  platform::IFileSystem& files = platform::Current().Files();
  // Only ever inside the run's protected backup folder.
  if (FileExists(script)) {
    ClearReadOnly(script);
    files.RemoveFile(script.GetText().GetBuffer());
  }
  return files.WriteNewFile(script.GetText().GetBuffer(), RecoveryScriptText(record),
                            platform::ProtectedDescriptor());
}
