#include "cli/HiveLogs.h"

#include <algorithm>
#include <cctype>

#include "hive/FileBytes.h"
#include "hive/LogFiles.h"

namespace {

// Windows file names compare without regard to (ASCII) case.
bool SameFileName(const std::filesystem::path& a, const std::filesystem::path& b) {
  const std::string x = hive::PathText(a.filename());
  const std::string y = hive::PathText(b.filename());
  return std::equal(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
    return std::toupper(static_cast<unsigned char>(p)) ==
           std::toupper(static_cast<unsigned char>(q));
  });
}

}  // namespace

std::vector<std::filesystem::path> LogFilesFor(const std::filesystem::path& hive,
                                               const std::vector<std::filesystem::path>& given) {
  return given.empty() ? hive::FindLogsBeside(hive) : given;
}

bool LoadHiveLogs(const std::filesystem::path& hive,
                  const std::vector<std::filesystem::path>& given, HiveLogs& logs,
                  std::string& error) {
  const std::vector<std::filesystem::path> files = LogFilesFor(hive, given);
  for (const std::filesystem::path& name : given.empty() ? hive::LogNamesFor(hive) : given) {
    const bool found = std::any_of(files.begin(), files.end(), [&](const std::filesystem::path& f) {
      return SameFileName(f, name);
    });
    logs.lookedFor.push_back(hive::PathText(name) +
                             (found ? " (found, not usable)" : " (not found)"));
  }
  for (const std::filesystem::path& file : files) {
    hive::LogInput log{hive::PathText(file), {}};
    if (!hive::ReadFileBytes(file, log.bytes, error)) return false;
    logs.logs.push_back(std::move(log));
  }
  return true;
}
