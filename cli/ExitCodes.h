#pragma once
// Every exit code kelvaro-hive returns, named once. The file commands answer
// with the hive's verdict; the commands on the running Windows' registry
// follow the installer conventions deployment tools read (msiexec's
// ERROR_SUCCESS_REBOOT_REQUIRED and ERROR_SUCCESS_REBOOT_INITIATED). What each
// code means is the table below, which --help prints.
#include <string_view>

#include "hive/HiveCheck.h"
#include "hive/HiveCompaction.h"

// info, check: the verdict.
inline constexpr int kExitSound = 0;
inline constexpr int kExitWarnings = 1;
inline constexpr int kExitErrors = 2;
inline constexpr int kExitDirty = 4;
// compact.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitRefused = 2;
// diff.
inline constexpr int kExitSameContent = 0;
inline constexpr int kExitDifferent = 1;
// offline, and restore --offline.
inline constexpr int kExitOfflineDone = 0;
inline constexpr int kExitOfflineSomeLeft = 1;
inline constexpr int kExitOfflineNothingDone = 2;
// Every command on files: a file that cannot be read, and a command line that is wrong.
inline constexpr int kExitCannotRead = 3;
// The commands on the running Windows' registry.
inline constexpr int kExitDone = 0;
inline constexpr int kExitNothingDone = 1;
inline constexpr int kExitFailed = 2;
inline constexpr int kExitNotElevated = 5;    // ERROR_ACCESS_DENIED
inline constexpr int kExitLiveBadUsage = 87;  // ERROR_INVALID_PARAMETER
inline constexpr int kExitRestartStarted = 1641;
inline constexpr int kExitRestartNeeded = 3010;
// results: the last run's swaps against what was written after each save.
inline constexpr int kExitNothingLost = 0;
inline constexpr int kExitWritesLost = 6;
inline constexpr int kExitNoRun = 7;

struct ExitCodeMeaning {
  std::string_view commands;  // those that return it; rows of the same commands are adjacent
  int code;
  std::string_view meaning;
};

inline constexpr ExitCodeMeaning kExitCodeMeanings[] = {
    {"info, check", kExitSound, "sound"},
    {"info, check", kExitWarnings, "warnings only"},
    {"info, check", kExitErrors, "errors"},
    {"info, check", kExitDirty,
     "dirty (a write never finished and no log brought the hive up to date)"},
    {"compact", kExitWritten, "written"},
    {"compact", kExitRefused, "refused (nothing written)"},
    {"diff", kExitSameContent, "same content"},
    {"diff", kExitDifferent, "different"},
    {"offline", kExitOfflineDone, "done (each hive compacted, or nothing to gain)"},
    {"offline", kExitOfflineSomeLeft, "some hives left as they were (the report says why)"},
    {"offline", kExitOfflineNothingDone,
     "nothing done (hibernated, read-only, not confirmed, no such run)"},
    {"all of these", kExitCannotRead, "cannot read a file, or bad usage"},
    {"live commands", kExitDone, "done, no restart needed"},
    {"live commands", kExitRestartNeeded, "done, restart needed to finish (--no-restart)"},
    {"live commands", kExitRestartStarted, "restart started"},
    {"live commands", kExitNothingDone, "nothing could be done (every hive refused or left out)"},
    {"live commands", kExitFailed,
     "failed (an unsafe Kelvaro folder, the registry or file system refused)"},
    {"live commands", kExitLiveBadUsage, "bad usage"},
    {"live commands", kExitNotElevated, "not elevated"},
    {"results", kExitNothingLost, "nothing lost (or nothing could be compared)"},
    {"results", kExitWritesLost,
     "changes made after a copy was taken are not in the compacted hive"},
    {"results", kExitNoRun, "no run on record"},
};

int ExitCodeFor(hive::Verdict verdict);
int ExitCodeFor(hive::CompactStatus status);
