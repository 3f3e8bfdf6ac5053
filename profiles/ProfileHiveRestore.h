#pragma once
// The way back for a profile's hive a run swapped at once: its previous file,
// kept in the run's backup folder ("Kelvaro Backup\Run-<n>"), is put back at
// once the same way (SwapFileNow.h) while nobody is signed in to the profile.
// The backup is copied, not moved (so a second restore still works), after
// its SHA-256 is found to be the one the record took when the file was read;
// its .LOG1/.LOG2 are copied back beside it, the logs of the file it replaces
// going with that file into the restore's own folder, which is removed after.
// A profile that is loaded is not restored: its user must sign out first
// (Windows holds the file, and swapping it at the next start would need the
// profile to be loaded then, which nothing promises).
#include <string>
#include <vector>

#include "compaction/RunOutcome.h"
#include "platform/CString.h"

enum class ProfileRestoreResult {
  kRestored,
  kSignedIn,     // the profile is loaded: sign the user out and restore again
  kNoBackup,     // the record names no swap of it, or no file is at the backup name
  kRefused,      // the backup is not the file the record hashed
  kNotSaved,     // the backup could not be copied
  kNotAccepted,  // Windows did not exchange the files
  kNotStarted,   // a folder, or another run, stopped the restore before it
};

struct RestoredProfileHive {
  std::wstring name;  // HKU\<SID> or HKU\<SID>_Classes
  std::wstring file;
  ProfileRestoreResult result = ProfileRestoreResult::kNotStarted;
};

struct ProfileRestoreOutcome {
  StoppedAt stoppedAt = StoppedAt::kNothing;
  FolderProblem folderProblem = FolderProblem::kNone;
  CString runHolder;
  std::vector<RestoredProfileHive> hives;
  int Restored() const;
};

// The hives of run `runNumber` swapped at once and named in `names` (as on
// the record, any case), in the record's order.
ProfileRestoreOutcome RestoreProfileHives(int runNumber, const std::vector<std::wstring>& names);
