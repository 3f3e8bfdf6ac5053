#include "compaction/ResumeRegistration.h"

#include <cstdint>

#include "catalogue/RegistryKey.h"
#include "platform/Platform.h"

namespace {

constexpr std::uint32_t kModulePathBufferLength = 260;
constexpr wchar_t kResultsArgument[] = L" /results";

void DeleteStartupValue(const wchar_t* keyName) {
  CRegistryKey key;
  if (key.Open(platform::kHKeyLocalMachine, keyName, platform::kKeyWrite) != 0) return;
  platform::Current().Registry().DeleteValue(key.Get(), kStartupValueName);
}

}  // namespace

CString ResultsCommandLine(const CString& programPath) {
  return CString(L"\"") + programPath + L"\"" + kResultsArgument;
}

void RegisterResultsOnRestart() {
  CRegistryKey key;
  if (key.Open(platform::kHKeyLocalMachine, kStartupKey, platform::kKeyWrite) != 0) return;
  wchar_t path[kModulePathBufferLength] = {};
  std::uint32_t length =
      platform::Current().System().QueryModuleFileName(path, kModulePathBufferLength);
  // A full buffer means the path was cut: starting a cut path could run another program.
  if (length == 0 || length >= kModulePathBufferLength) return;
  CString command = ResultsCommandLine(CString(path, length));
  auto bytes = static_cast<std::uint32_t>((command.GetLength() + 1) * sizeof(wchar_t));
  platform::Current().Registry().SetValue(
      key.Get(), kStartupValueName, platform::kRegSz,
      reinterpret_cast<const std::uint8_t*>(command.GetString()), bytes);
}

void UnregisterResultsOnRestart() {
  DeleteStartupValue(kStartupKey);
  DeleteStartupValue(kLegacyStartupKey);
}
