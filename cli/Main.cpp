// Entry point of kelvaro-hive where arguments arrive as bytes (UTF-8). No
// running Windows is at hand: the live commands say so.

#include "cli/HiveTool.h"

#include <iostream>

#include <unistd.h>

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return RunHiveTool(arguments, ToolContext{.out = std::cout,
                                            .err = std::cerr,
                                            .errIsTerminal = isatty(STDERR_FILENO) != 0,
                                            .in = &std::cin,
                                            .inIsTerminal = isatty(STDIN_FILENO) != 0});
}
