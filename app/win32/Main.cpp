// The entry point: installs the real platform and runs the application object.
#include <windows.h>

#include "app/CommandLine.h"
#include "app/win32/CompactorApp.h"
#include "platform/win32/Win32Platform.h"

namespace {
CCompactorApp g_theApp;

// Libraries load from the system folder only, never from the folder the
// program was started from, where another program may have planted one.
// Looked up at run time: Windows 7 has the function only with an update.
void LoadLibrariesFromSystemFolderOnly() {
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
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  LoadLibrariesFromSystemFolderOnly();
  platform::win32::Win32Platform realWindows;
  platform::ScopedPlatform installed(realWindows);
  // The tail as the start-up runtime splits it, from the full line, so that a
  // quoted program name with blanks is handled the same way everywhere.
  return AfxWinMain(instance, CommandLineTail(::GetCommandLineW()));
}
