// Entry point of kelvaro-hive on Windows: arguments arrive as UTF-16 so that
// any file name reaches the reader intact. The live commands run over the
// Win32 platform.

#include <io.h>

#include <chrono>
#include <cstdio>
#include <iostream>

#include "platform/win32/SystemFolderDlls.h"
#include "platform/win32/Win32Platform.h"
#include "cli/HiveTool.h"
#include "cli/live/LiveReport.h"
#include "compaction/ProgramCopy.h"

int wmain(int argc, wchar_t** argv) {
  platform::win32::LoadLibrariesFromSystemFolderOnly();
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  platform::win32::Win32Platform realWindows;
  platform::ScopedPlatform installed(realWindows);
  // Held for the process's life: the results window's program cannot be
  // replaced between the start and the copy --show-results registers.
  ResultsProgramHold windowProgram(ResultsProgram::kWindowProgramBeside);
  return RunHiveTool(arguments, ToolContext{.out = std::cout,
                                            .err = std::cerr,
                                            .errIsTerminal = _isatty(_fileno(stderr)) != 0,
                                            .onRunningWindows = true,
                                            .time = UtcTimeText(std::chrono::system_clock::now()),
                                            .in = &std::cin,
                                            .inIsTerminal = _isatty(_fileno(stdin)) != 0});
}
