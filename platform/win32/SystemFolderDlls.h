#pragma once
// Libraries load from the system folder only, never from the folder a program
// was started from, where another program may have planted one. Looked up at
// run time: Windows 7 has the function only with an update.
#include <windows.h>

namespace platform::win32 {

inline void LoadLibrariesFromSystemFolderOnly() {
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;
  FARPROC address = ::GetProcAddress(kernel, "SetDefaultDllDirectories");
  if (address == nullptr) return;
  auto function =
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(address));
  function(kLoadLibrarySearchSystem32);
}

}  // namespace platform::win32
