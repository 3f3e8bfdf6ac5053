// Entry point of kelvaro-hive on Windows: arguments arrive as UTF-16 so that
// any file name reaches the reader intact.

#include "tools/kelvaro-hive/HiveTool.h"

#include <cstdio>
#include <iostream>

#include <io.h>

int wmain(int argc, wchar_t** argv) {
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return RunHiveTool(arguments, std::cout, std::cerr, _isatty(_fileno(stderr)) != 0);
}
