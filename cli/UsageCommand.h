#pragma once
// "kelvaro-hive usage FILE": where the hive's bytes go. The largest subtrees
// with their bytes, share of the file, keys, values and largest value; then
// security records, free space, unreachable cells, overhead and the total.
// As text, as JSON (the same numbers) and, with --svg, as a treemap picture.
// Exit 0 when the account was made, 3 when the file cannot be read or the
// picture cannot be written, or on bad usage.

#include "hive/OutputFiles.h"

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

struct UsageOptions {
  std::filesystem::path file;
  std::vector<std::filesystem::path> logs;  // empty: those found beside the file
  std::size_t depth = 4;
  std::size_t top = 20;
  bool json = false;
  std::filesystem::path svg;  // empty: no picture
};

int RunUsageCommand(const UsageOptions& options, std::ostream& out, std::ostream& err,
                    hive::IOutputFiles& files);
