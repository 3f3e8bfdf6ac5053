// Entry point of kelvaro-hive where arguments arrive as bytes (UTF-8).

#include "hive/FileBytes.h"
#include "cli/HiveTool.h"
#include "cli/LiveCommands.h"

#include <iostream>

#include <unistd.h>

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  // The live commands work on a running Windows' registry.
  if (!arguments.empty() && IsLiveCommandName(hive::PathText(arguments.front()))) {
    std::cerr << "kelvaro-hive: " << hive::PathText(arguments.front())
              << " works on the registry of a running Windows: use kelvaro-hive.exe there.\n";
    return 87;
  }
  return RunHiveTool(arguments, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
