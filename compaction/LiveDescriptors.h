#pragma once
// The live hive files' own descriptors, kept over a swap.
//
// Every user may traverse folders, so a file opened by its full path is
// guarded by its own descriptor alone. A copy is therefore saved with the
// protected descriptor (RegSaveKeyExW applies the given security attributes
// to the new file) and keeps it until it is live: nobody but SYSTEM and
// Administrators can write it between the check and the restart, a user
// hive's copy included. RegReplaceKeyW renames the files at the next start;
// a rename keeps a file's descriptor, so the live file gets the protected
// descriptor before its swap is scheduled: the backup it becomes can be read
// or written by no one else from the moment it exists (a machine hive's
// backup holds password hashes; a user hive's backup would otherwise be the
// user's to rewrite). The live file's own descriptor is kept on record in
// the Kelvaro folder and put back on the new live file after the restart.
//
// Descriptors are read and written through one handle (READ_CONTROL,
// WRITE_DAC, WRITE_OWNER: rights a sharing mode does not block, so a loaded
// hive's file opens too), on a plain file only, never through a link.
#include "path/PathName.h"

// Records the live file's descriptor (one recorded by an earlier run whose
// swap is still pending stays: the file has the protected one since), then
// gives the live file the protected descriptor. False when either failed:
// the hive must not be swapped.
bool ProtectLiveFileForSwap(const CPathName& windowsFolder, const CPathName& liveFile,
                            const CPathName& copy);

// For every recorded hive whose copy is gone (swapped at a restart, or
// dropped): the live file gets its own descriptor back, when it still has
// the protected one Kelvaro gave it; then its record goes. A hive whose copy
// still waits for its swap stays on record.
void SettleLiveDescriptors(const CPathName& windowsFolder);
