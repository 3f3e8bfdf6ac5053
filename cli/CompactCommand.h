#pragma once
// compact, run over files a test can make fail.
#include "hive/OutputFiles.h"

#include <filesystem>
#include <ostream>
#include <vector>

// `arguments` follow the word "compact"; what compact reads and writes goes
// through `files`.
int RunCompactCommand(const std::vector<std::filesystem::path>& arguments, std::ostream& out,
                      std::ostream& err, bool errIsTerminal, hive::IOutputFiles& files);
