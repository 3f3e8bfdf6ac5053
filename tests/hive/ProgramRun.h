#pragma once
// Another program run through the shell, for the independent readers the
// tests compare with (regfinfo, regfexport, hivexml, reglookup). Native test
// builds only.
#include <string>

namespace hivetest {

struct ProgramRun {
  int exit = -1;
  std::string out;  // standard output; standard error is dropped
};

ProgramRun RunProgram(const std::string& command);

// Whether `name` is on the PATH.
bool ProgramInstalled(const std::string& name);

}  // namespace hivetest
