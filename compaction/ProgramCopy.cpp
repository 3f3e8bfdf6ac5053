#include "compaction/ProgramCopy.h"

#include <cstdint>
#include <vector>

#include "compaction/ExclusiveFile.h"
#include "compaction/ProtectedFolders.h"
#include "path/FileOperations.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr std::uint32_t kModulePathBufferLength = 260;

ResultsProgramHold* g_hold = nullptr;

std::optional<CPathName> RunningProgram() {
  wchar_t path[kModulePathBufferLength] = {};
  std::uint32_t length =
      platform::Current().System().QueryModuleFileName(path, kModulePathBufferLength);
  // A full buffer means the path was cut.
  if (length == 0 || length >= kModulePathBufferLength) return std::nullopt;
  CPathName program;
  if (!program.SetPath(path) || program.IsEmpty()) return std::nullopt;
  return program;
}

std::optional<CPathName> ResultsProgramPath(ResultsProgram which) {
  std::optional<CPathName> running = RunningProgram();
  if (!running || which == ResultsProgram::kRunningProgram) return running;
  const std::uint32_t count = running->GetComponentCount();
  if (count == 0) return std::nullopt;
  CPathName beside = *running;
  beside.RemoveComponents();
  for (std::uint32_t index = 0; index + 1 < count; ++index) {
    beside.Append(running->GetComponent(index));
  }
  beside.Append(CPathComponent(kWindowProgramName));
  return beside;
}

// From the start of the held file to its end.
std::optional<std::vector<std::uint8_t>> ReadHeld(platform::FileHandle file) {
  platform::IFileSystem& files = platform::Current().Files();
  platform::FileFacts facts;
  std::vector<std::uint8_t> bytes;
  if (!files.QueryOpenFileFacts(file, &facts) || facts.size == 0 || !files.RewindFile(file) ||
      !ReadWhole(file, facts.size, bytes)) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<CPathName> CopyPlaceFor(const CPathName& program) {
  std::optional<CPathName> windows = SystemWindowsFolder();
  if (!windows) return std::nullopt;
  const CPathName folder = Combine(*windows, CPathComponent(kKelvaroFolderName));
  return Combine(folder, program.GetComponent(program.GetComponentCount() - 1));
}

// The hold that counts now: one made over another platform (a test's
// earlier machine) holds nothing here.
ResultsProgramHold* CurrentHold() {
  return g_hold != nullptr && g_hold->Held() && g_hold->HeldOver(platform::Current()) ? g_hold
                                                                                      : nullptr;
}

}  // namespace

ResultsProgramHold::ResultsProgramHold(ResultsProgram which)
    : m_platform(platform::Current()), m_previous(g_hold) {
  g_hold = this;
  std::optional<CPathName> path = ResultsProgramPath(which);
  if (!path) return;
  m_path = *path;
  // Sharing read only: no write, delete or rename while it is open.
  m_file = m_platform.Files().OpenFileExclusive(m_path.GetText().GetBuffer());
}

ResultsProgramHold::~ResultsProgramHold() {
  if (Held()) m_platform.Files().CloseFile(m_file);
  g_hold = m_previous;
}

bool ResultsProgramHeld() { return CurrentHold() != nullptr; }

std::optional<CPathName> PlaceProgramCopy() {
  ResultsProgramHold* hold = CurrentHold();
  if (hold == nullptr) return std::nullopt;
  const CPathName& program = hold->Path();
  std::optional<CPathName> windows = SystemWindowsFolder();
  if (!windows) return std::nullopt;
  ProtectedFolder folder =
      EnsureProtectedFolder(Combine(*windows, CPathComponent(kKelvaroFolderName)));
  if (!folder.ok()) return std::nullopt;
  std::optional<CPathName> copy = CopyPlaceFor(program);
  if (!copy) return std::nullopt;
  // Started from the copy already (a second run before the restart): it stays.
  if (copy->GetText().CompareNoCase(program.GetText()) == 0) return copy;
  std::optional<std::vector<std::uint8_t>> bytes = ReadHeld(hold->Get());
  if (!bytes) return std::nullopt;
  platform::IFileSystem& files = platform::Current().Files();
  // Only ever inside the protected folder.
  if (FileExists(*copy)) {
    ClearReadOnly(*copy);
    files.RemoveFile(copy->GetText().GetBuffer());
  }
  if (!files.WriteNewFile(copy->GetText().GetBuffer(), *bytes, platform::ProtectedDescriptor())) {
    return std::nullopt;
  }
  return copy;
}

void RemoveProgramCopyAtRestart() {
  std::optional<CPathName> program = RunningProgram();
  if (!program) return;
  std::optional<CPathName> copy = CopyPlaceFor(*program);
  if (!copy || copy->GetText().CompareNoCase(program->GetText()) != 0) return;
  platform::Current().Files().DeleteAtRestart(copy->GetText().GetBuffer());
}
