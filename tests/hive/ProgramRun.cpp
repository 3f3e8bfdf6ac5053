#include "tests/hive/ProgramRun.h"

#include <cstdio>

namespace hivetest {

ProgramRun RunProgram(const std::string& command) {
  ProgramRun run;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return run;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
  run.exit = pclose(pipe);
  return run;
}

bool ProgramInstalled(const std::string& name) {
  return RunProgram("command -v '" + name + "'").exit == 0;
}

}  // namespace hivetest
