#pragma once
// The script left beside the recovery note, "Restore previous hives.cmd", for
// the day Windows does not start after a run: run from the command prompt of
// the Windows Recovery Environment, it puts back the hive files the run
// replaced. There the Windows volume's letter is rarely C: (X: is the
// environment's own), so it finds the volume by the run's backup folder on
// every letter. It first checks every backup it would use (size only: the
// recovery environment has no tool to hash a file; certutil is part of a full
// Windows, not of it), then per hive moves the compacted live file and its
// .LOG1/.LOG2 aside (".compacted": those logs belong to the compacted file and
// must not be replayed into the previous one) and copies the backup into
// place, so that the backup stays for another try and the file takes the
// folder's inherited permissions. A hive with no file at its backup name was
// never swapped and is left alone.
//
// CMD reads a script in the console's OEM code page, which cannot spell every
// path: the script is UTF-8 without a byte-order mark (CMD would run the mark
// as part of the first command), ASCII up to its "chcp 65001", after which
// CMD reads the rest as UTF-8.
#include <cstdint>
#include <vector>

#include "compaction/RunRecord.h"
#include "path/PathName.h"

inline constexpr wchar_t kRecoveryScriptName[] = L"Restore previous hives.cmd";

// The script's bytes for the hives of `record` that may be swapped, lines
// ending in CR LF. A hive whose live file or backup is not named by a drive
// letter and a full path is left out (a run swaps only on the Windows volume).
std::vector<std::uint8_t> RecoveryScriptText(const RunRecord& record);

// Writes the script into the run's backup folder, in place of the one there,
// with the protected descriptor. False when it could not be written.
bool WriteRecoveryScript(const CPathName& runBackupFolder, const RunRecord& record);
