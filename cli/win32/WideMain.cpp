// Entry point of kelvaro-hive on Windows: arguments arrive as UTF-16 so that
// any file name reaches the reader intact. The live commands run over the
// Win32 platform.

#include <io.h>

#include <chrono>
#include <cstdio>
#include <iostream>

#include "hive/FileBytes.h"
#include "platform/win32/SystemFolderDlls.h"
#include "platform/win32/Win32Platform.h"
#include "cli/HiveTool.h"
#include "cli/LiveCommands.h"
#include "cli/live/LiveCommand.h"
#include "cli/live/LiveReport.h"

int wmain(int argc, wchar_t** argv) {
  platform::win32::LoadLibrariesFromSystemFolderOnly();
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  if (!arguments.empty() && IsLiveCommandName(hive::PathText(arguments.front()))) {
    platform::win32::Win32Platform realWindows;
    platform::ScopedPlatform installed(realWindows);
    return RunLiveCommand(arguments, std::cout, std::cerr,
                          UtcTimeText(std::chrono::system_clock::now()));
  }
  return RunHiveTool(arguments, std::cout, std::cerr, _isatty(_fileno(stderr)) != 0);
}
