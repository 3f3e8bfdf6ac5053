#pragma once
// Finding a hive's transaction logs beside it: NAME.LOG1, NAME.LOG2 and
// NAME.LOG, matched without regard to case since hives come from Windows,
// where file names are case-insensitive.

#include <filesystem>
#include <vector>

namespace hive {

// The logs that exist, in the order Windows reads them.
std::vector<std::filesystem::path> FindLogsBeside(const std::filesystem::path& hive);

// The names Windows gives a hive's logs, whether they exist or not.
std::vector<std::filesystem::path> LogNamesFor(const std::filesystem::path& hive);

}  // namespace hive
