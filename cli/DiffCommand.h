#pragma once
// "kelvaro-hive diff A B": compares the logical content of two hives.
// Exit 0 same content, 1 different, 3 unreadable file or bad usage.

#include <filesystem>
#include <ostream>
#include <vector>

// `arguments` follow the word "diff".
int RunDiffCommand(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                   std::ostream& err);
