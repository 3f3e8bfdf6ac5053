#pragma once
// "kelvaro-hive compact IN OUT [--log LOG]... [--format keep|latest] [--json]":
// writes IN's content afresh into OUT in the fewest bytes and prints the
// sizes before and after. Exit 0 written, 2 refused, 3 unreadable or usage.

#include "hive/OutputFiles.h"

#include <filesystem>
#include <ostream>
#include <vector>

// `arguments` follow the word "compact". A progress line goes to `err` for
// inputs over 64 MiB when `errIsTerminal`.
int RunCompactCommand(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                      std::ostream& err, bool errIsTerminal, hive::IOutputFiles& files);
