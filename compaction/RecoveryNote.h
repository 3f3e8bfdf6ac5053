#pragma once
// The note left in the backup folder for the day Windows does not start after
// a swap: which previous file goes back where, from the Windows Recovery
// Environment's command prompt.
#include <cstdint>
#include <vector>

#include "path/PathName.h"

// One scheduled replacement: the previous file's place in the backup folder
// and the live hive file it replaced.
struct RestoreStep {
  CPathName backupFile;
  CPathName hiveFile;
};

// The note's bytes: UTF-8 with its byte-order mark, lines ending in CR LF.
std::vector<std::uint8_t> RecoveryNoteText(const std::vector<RestoreStep>& steps);

// Writes the note into the backup folder (a note left by an earlier run gives
// way), with the protected descriptor. False when it could not be written.
bool WriteRecoveryNote(const CPathName& backupFolder, const std::vector<RestoreStep>& steps);

// Removes the run's note and script (RecoveryScript.h), then the run's backup
// folder when that is empty. Only ever inside a protected backup folder.
void RemoveRecoveryFiles(const CPathName& runBackupFolder);
