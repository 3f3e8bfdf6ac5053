#include <windows.h>

#include <string>

#include "platform/win32/Win32Platform.h"
#include "tests/contract/ContractPlatform.h"

namespace contract {

platform::Platform& Platform() {
  static platform::win32::Win32Platform real;
  return real;
}
bool OnRealWindows() { return true; }

std::wstring ScratchFolder() {
  static std::wstring folder;
  if (folder.empty()) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring base = temp;
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (int attempt = 0; folder.empty(); ++attempt) {
      std::wstring candidate = base + L"\\kelvaro-contract-" +
                               std::to_wstring(::GetCurrentProcessId()) + L"-" +
                               std::to_wstring(attempt);
      if (::CreateDirectoryW(candidate.c_str(), nullptr)) folder = candidate;
    }
  }
  return folder;
}

}  // namespace contract
