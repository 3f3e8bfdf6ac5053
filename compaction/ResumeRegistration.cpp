#include "compaction/ResumeRegistration.h"

#include <cstdint>

#include "catalogue/RegistryKey.h"
#include "compaction/ProgramCopy.h"
#include "platform/Platform.h"

namespace {

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
  // The value starts the protected copy elevated, never the file the user
  // started, which any program of the user may rewrite before the logon.
  std::optional<CPathName> copy = PlaceProgramCopy();
  if (!copy) return;
  CString command = ResultsCommandLine(CString(copy->GetText().GetBuffer()));
  auto bytes = static_cast<std::uint32_t>((command.GetLength() + 1) * sizeof(wchar_t));
  platform::Current().Registry().SetValue(
      key.Get(), kStartupValueName, platform::kRegSz,
      reinterpret_cast<const std::uint8_t*>(command.GetString()), bytes);
}

void UnregisterResultsOnRestart() {
  DeleteStartupValue(kStartupKey);
  DeleteStartupValue(kLegacyStartupKey);
}
