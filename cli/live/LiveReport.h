#pragma once
// What a live command found or did, hive by hive, and how it is shown: text
// lines, JSON, and the lines appended to the log.
#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/CString.h"

struct LiveHiveLine {
  CString name;  // HKLM\SYSTEM
  CString file;
  std::uint64_t size = 0;                    // the live file's bytes
  std::optional<std::uint64_t> compactSize;  // a checked copy's bytes, when one was measured
  std::optional<bool> ticked;                // whether the main window ticks it (loaded only)
  std::string verdict;  // "would-compact", "analysed", "scheduled", "restored" or a reason code
  std::string reason;   // the sentence for a hive left as it is; empty otherwise
};

struct LiveReport {
  std::string command;
  std::vector<LiveHiveLine> hives;
  std::string stopCode;  // why nothing was touched (a folder check), empty when not stopped
  std::string stopText;
  std::string stopProblem;  // what was wrong with the folder (ProblemCode)
  std::string summary;      // one sentence
  int exitCode = 0;
};

void PrintReportText(std::ostream& out, const LiveReport& report);
void PrintReportJson(std::ostream& out, const LiveReport& report);
// The log's block for one command: a first line with the time and the command
// line, one line per hive, the summary with the exit code; lines end in CR LF.
std::string LogText(const LiveReport& report, const std::string& time,
                    const std::string& commandLine);

// 2026-12-08T06:40:00Z
std::string UtcTimeText(std::chrono::system_clock::time_point when);
std::string Utf8(const CString& text);
