#pragma once
// The compaction tests' fake machine with real hive bytes, driven through the
// live commands' entry point, and the places the commands leave traces.
#include <string>
#include <vector>

#include "tests/compaction/CompactionMachine.h"

namespace live_test {

inline const std::string kTime = "2026-12-08T06:40:00Z";
inline const std::wstring kKelvaroFolder = L"C:\\Windows\\Kelvaro";
inline const std::wstring kLogFile = L"C:\\Windows\\Kelvaro\\kelvaro-hive.log";

struct CommandResult {
  int exitCode = 0;
  std::string out;
  std::string err;
};

// Runs "kelvaro-hive WORDS..." on the machine.
CommandResult RunCommand(const std::vector<std::string>& words);

// The log's text; empty when there is none.
std::string LogText(const compaction_test::CompactionMachine& machine);

// A hive-list value for a hive whose file does not exist.
void ListMissingHive(compaction_test::CompactionMachine& machine, const std::wstring& keyName);

}  // namespace live_test
