#pragma once
// The kelvaro-hive command line: "info FILE" and "check FILE [--log LOG]...",
// each with "--json"; "--help". Returns the process exit code: 0 sound,
// 1 warnings only, 2 errors or dirty, 3 unreadable file or bad usage.

#include <filesystem>
#include <ostream>
#include <vector>

// "compact IN OUT ..." is described in CompactCommand.h; `errIsTerminal` turns
// on its progress line for large inputs.
int RunHiveTool(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                std::ostream& err, bool errIsTerminal = false);
