#pragma once
// How kelvaro-hive shows a check: as text lines naming the file, or as JSON.

#include "hive/HiveCheck.h"

#include <ostream>
#include <string>

// "2014-01-10T21:06:30Z" for a FILETIME; "0" stays "never".
std::string FileTimeText(std::uint64_t fileTime);

void PrintInfoText(std::ostream& out, const std::string& file, const hive::CheckResult& result);
// Notes are counted by code, and listed one by one only when `verbose`.
void PrintCheckText(std::ostream& out, const std::string& file, const hive::CheckResult& result,
                    bool verbose = false);
// `command` is "info" or "check"; info leaves the findings out.
void PrintJson(std::ostream& out, const std::string& command, const std::string& file,
               const hive::CheckResult& result);
