#pragma once
// Compacting the hives of profiles nobody is signed in to, at once, with no
// restart: a run of its own (the run lock, a record, a backup folder
// "Kelvaro Backup\Run-<n>"), each file copied as the analysis copies it
// (ProfileHiveAnalysis.h: read, loaded privately for as long as the save
// takes, saved by Windows, checked, proved to hold what the file held), then
// exchanged for its copy (SwapFileNow.h) only when a last look finds the
// profile still not loaded and the file still the one that was read: same
// size, same last-written time, same file, and nobody holding it. The
// previous file and its .LOG1/.LOG2 (which belong to it) go to the run's
// backup folder. A user who signs in at any moment keeps a profile that
// loads: the old files, or the new one.
#include <cstdint>
#include <string>
#include <vector>

#include "compaction/RunOutcome.h"
#include "platform/CString.h"
#include "profiles/ProfileList.h"

enum class ProfileSwapResult {
  kSwapped,
  kSignedIn,        // the profile is loaded (now, or it became so during the run)
  kInUse,           // someone holds the file
  kChanged,         // the file is not the one that was read and copied
  kUnreadable,      // the file or its logs could not be read as they stand
  kNotSaved,        // Windows would not load or save it
  kRefused,         // the copy failed the check
  kContentDiffers,  // the copy does not hold what the file held
  kNoGain,          // the copy is not smaller
  kOtherVolume,     // the profile is not on the Windows folder's volume
  kNotAccepted,     // the record could not be written, or Windows did not exchange the files
  kStopped,         // a failure ended the run before this file
  kRestartPending,  // an earlier run's swap of it waits for the restart
};

struct SwappedProfileHive {
  std::wstring sid;
  std::wstring name;  // HKU\<SID> or HKU\<SID>_Classes: the name it has when loaded
  std::wstring file;
  std::uint64_t size = 0;         // the file as read
  std::uint64_t compactSize = 0;  // the checked copy's, when one was made
  ProfileSwapResult result = ProfileSwapResult::kSwapped;
  // After a swap: what was not as it should be. The swap stands either way.
  // The previous file's owner, group and DACL are the new one's, and the
  // previous file (the backup) has the protected descriptor.
  bool descriptorSet = true;
  bool readBack = true;   // read back as the checked copy (false: the user signed in first)
  bool logsMoved = true;  // the previous .LOG1/.LOG2 are in the backup folder
  // A half-done exchange left the previous file at its backup name and it
  // could not be put back: the record names it.
  bool leftAtBackup = false;
};

struct ProfileSwapOutcome {
  StoppedAt stoppedAt = StoppedAt::kNothing;
  FolderProblem folderProblem = FolderProblem::kNone;
  CString runHolder;  // kAnotherRun: the program holding the lock
  int runNumber = 0;  // the record's, once there is one
  // A failure (out of memory, say) ended the run: the files not reached are
  // left as they were; the record names every swap made.
  bool interrupted = false;
  std::vector<SwappedProfileHive> hives;
  int Swapped() const;
  // The run stopped on a failure (another run, a folder, an error): loaded
  // hives chosen with the profiles are then not scheduled after it.
  bool Stopped() const;
};

// The hive files of `chosen` (NTUSER.DAT, then UsrClass.dat when there is
// one), in order. The caller chooses: FindProfiles' kWouldCompact profiles.
ProfileSwapOutcome SwapProfileHives(const std::vector<const profiles::UserProfile*>& chosen);
