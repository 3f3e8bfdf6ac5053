#include "compaction/RecoveryNote.h"

#include <string>

#include "catalogue/HiveFileName.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr char kNewLine[] = "\r\n";

void AppendUtf8(std::string& out, const wchar_t* text) {
  for (; *text != L'\0'; ++text) {
    const auto unit = static_cast<std::uint32_t>(*text);
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
      // Paths here stay in the Basic Multilingual Plane.
      out.push_back(static_cast<char>(0xE0 | ((unit >> 12) & 0x0F)));
      out.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
  }
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
  AppendLine(text, "2. Find the drive Windows is on there; its letter may differ from C:.");
  AppendLine(text, "   \"dir D:\\Windows\" shows whether it is D:, and so on.");
  AppendLine(text, "3. Type these commands, each drive letter replaced by that one:");
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
  platform::IFileSystem& files = platform::Current().Files();
  // Only ever inside the protected backup folder.
  if (FileExists(note)) {
    ClearReadOnly(note);
    files.RemoveFile(note.GetText().GetBuffer());
  }
  return files.WriteNewFile(note.GetText().GetBuffer(), RecoveryNoteText(steps),
                            platform::ProtectedDescriptor());
}
