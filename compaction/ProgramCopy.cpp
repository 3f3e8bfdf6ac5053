#include "compaction/ProgramCopy.h"

#include <cstdint>
#include <vector>

#include "compaction/ProtectedFolders.h"
#include "path/FileOperations.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"
#include "platform/SecurityDescriptor.h"

namespace {

constexpr std::uint32_t kModulePathBufferLength = 260;
constexpr std::uint32_t kReadChunk = 64 * 1024;

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

std::optional<std::vector<std::uint8_t>> ReadWhole(const CPathName& file) {
  platform::IFileSystem& files = platform::Current().Files();
  platform::ScopedFile handle(files, files.OpenFileExclusive(file.GetText().GetBuffer()));
  if (!handle.IsOpen()) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> chunk(kReadChunk);
  for (;;) {
    std::uint32_t count = 0;
    if (!files.ReadFromFile(handle.Get(), chunk.data(), kReadChunk, &count)) return std::nullopt;
    if (count == 0) break;
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + count);
  }
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

std::optional<CPathName> CopyPlaceFor(const CPathName& program) {
  std::optional<CPathName> windows = SystemWindowsFolder();
  if (!windows) return std::nullopt;
  const CPathName folder = Combine(*windows, CPathComponent(kKelvaroFolderName));
  return Combine(folder, program.GetComponent(program.GetComponentCount() - 1));
}

}  // namespace

std::optional<CPathName> PlaceProgramCopy() {
  std::optional<CPathName> program = RunningProgram();
  if (!program) return std::nullopt;
  std::optional<CPathName> windows = SystemWindowsFolder();
  if (!windows) return std::nullopt;
  ProtectedFolder folder =
      EnsureProtectedFolder(Combine(*windows, CPathComponent(kKelvaroFolderName)));
  if (!folder.ok()) return std::nullopt;
  std::optional<CPathName> copy = CopyPlaceFor(*program);
  if (!copy) return std::nullopt;
  // Started from the copy already (a second run before the restart): it stays.
  if (copy->GetText().CompareNoCase(program->GetText()) == 0) return copy;
  std::optional<std::vector<std::uint8_t>> bytes = ReadWhole(*program);
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
