#pragma once
// The transaction logs a command reads with a hive: those given with --log,
// otherwise NAME.LOG1, NAME.LOG2 and NAME.LOG found beside it (Windows' order).
#include <filesystem>
#include <string>
#include <vector>

#include "hive/LogReplay.h"

std::vector<std::filesystem::path> LogFilesFor(const std::filesystem::path& hive,
                                               const std::vector<std::filesystem::path>& given);

struct HiveLogs {
  std::vector<hive::LogInput> logs;
  // Each name looked for, "NAME (found, not usable)" or "NAME (not found)", for
  // the message of a hive the logs did not bring up to date.
  std::vector<std::string> lookedFor;
};

// False with `error` set when a log is there but cannot be read.
bool LoadHiveLogs(const std::filesystem::path& hive,
                  const std::vector<std::filesystem::path>& given, HiveLogs& logs,
                  std::string& error);
