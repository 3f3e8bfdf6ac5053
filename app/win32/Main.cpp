// The entry point: installs the real platform and runs the application object.
#include <windows.h>

#include "app/CommandLine.h"
#include "app/win32/CompactorApp.h"
#include "compaction/ProgramCopy.h"
#include "platform/win32/SystemFolderDlls.h"
#include "platform/win32/Win32Platform.h"

namespace {
CCompactorApp g_theApp;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  platform::win32::LoadLibrariesFromSystemFolderOnly();
  platform::win32::Win32Platform realWindows;
  platform::ScopedPlatform installed(realWindows);
  // Held for the process's life: the file the results copy is made from
  // cannot be written or renamed while the program runs.
  ResultsProgramHold program(ResultsProgram::kRunningProgram);
  // The tail as the start-up runtime splits it, from the full line, so that a
  // quoted program name with blanks is handled the same way everywhere.
  return AfxWinMain(instance, CommandLineTail(::GetCommandLineW()));
}
