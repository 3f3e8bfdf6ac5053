// The entry point: installs the real platform and runs the application object.
#include <windows.h>

#include "app/CommandLine.h"
#include "app/win32/CompactorApp.h"
#include "platform/win32/SystemFolderDlls.h"
#include "platform/win32/Win32Platform.h"

namespace {
CCompactorApp g_theApp;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::win32::LoadLibrariesFromSystemFolderOnly();
  platform::win32::Win32Platform realWindows;
  platform::ScopedPlatform installed(realWindows);
  // The tail as the start-up runtime splits it, from the full line, so that a
  // quoted program name with blanks is handled the same way everywhere.
  return AfxWinMain(instance, CommandLineTail(::GetCommandLineW()));
}
