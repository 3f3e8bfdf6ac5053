#include "tests/live/LiveMachine.h"

#include <filesystem>
#include <sstream>

#include "platform/RegistryKeyPaths.h"
#include "cli/HiveTool.h"
#include "compaction/ProgramCopy.h"

namespace live_test {

CommandResult RunCommand(const std::vector<std::string>& words) {
  std::vector<std::filesystem::path> arguments(words.begin(), words.end());
  std::ostringstream out;
  std::ostringstream err;
  CommandResult result;
  // As kelvaro-hive.exe does at its start.
  ResultsProgramHold windowProgram(ResultsProgram::kWindowProgramBeside);
  result.exitCode = RunHiveTool(
      arguments, ToolContext{.out = out, .err = err, .onRunningWindows = true, .time = kTime});
  result.out = out.str();
  result.err = err.str();
  return result;
}

std::string LogText(const compaction_test::CompactionMachine& machine) {
  auto bytes = machine.fake.files.ReadFile(kLogFile);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

void ListMissingHive(compaction_test::CompactionMachine& machine, const std::wstring& keyName) {
  machine.fake.registry.PutString(
      platform::kHKeyLocalMachine, platform::kHiveListKey, L"\\REGISTRY\\MACHINE\\" + keyName,
      L"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\" + keyName);
}

}  // namespace live_test
