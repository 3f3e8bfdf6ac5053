#include "cli/live/ReasonWords.h"

ReasonWords WordsFor(NotScheduledReason reason) {
  switch (reason) {
    case NotScheduledReason::kNotSaved:
      return {"not-saved", "Windows could not save a compact copy"};
    case NotScheduledReason::kRefused:
      return {"refused", "the compact copy failed the check and was discarded"};
    case NotScheduledReason::kNoGain: return {"no-gain", "the compact copy would not be smaller"};
    case NotScheduledReason::kOtherVolume:
      return {"other-volume", "the hive is on another drive than the Windows folder"};
    case NotScheduledReason::kStopped: return {"stopped", "the run was stopped before this hive"};
    case NotScheduledReason::kNoBackup:
      return {"no-backup", "no backup of it is in the backup folder"};
    case NotScheduledReason::kRestartPending:
      return {"restart-pending",
              "an earlier run's swap of it waits for a restart; restart Windows first"};
    case NotScheduledReason::kNotAccepted: break;
  }
  return {"not-accepted", "Windows did not accept the replacement"};
}

ReasonWords WordsFor(LeftOutReason reason) {
  switch (reason) {
    case LeftOutReason::kNone: return {"", ""};
    case LeftOutReason::kNoFile: return {"no-file", "its file was not found"};
    case LeftOutReason::kNotMachineOrUsers:
      return {"not-machine-or-users", "it is loaded neither below HKLM nor below HKU"};
    case LeftOutReason::kUnusableName:
      return {"unusable-name", "its key name cannot be used as a file name"};
    case LeftOutReason::kSameFileName: break;
  }
  return {"same-file-name", "an earlier hive has a key of the same name"};
}

ReasonWords WordsFor(StoppedAt where, FolderProblem problem) {
  if (where == StoppedAt::kNothing) return {"", ""};
  if (where == StoppedAt::kAnotherRun) {
    return {"another-run", "another Kelvaro program is changing hives; nothing was changed"};
  }
  if (problem == FolderProblem::kNoWindowsFolder) {
    return {"no-windows-folder", "Windows did not name its folder; nothing was changed"};
  }
  if (where == StoppedAt::kBackupFolder) {
    return {"backup-folder-unsafe",
            "the folder \"Kelvaro Backup\" in the Windows folder could not be made, or the one "
            "found there is not a folder only administrators control; nothing was changed"};
  }
  return {"run-folder-unsafe",
          "Kelvaro's working folder in the Windows folder could not be made, or one found there "
          "is not a folder only administrators control; nothing was changed"};
}

const char* ProblemCode(FolderProblem problem) {
  switch (problem) {
    case FolderProblem::kNone: return "";
    case FolderProblem::kNoWindowsFolder: return "no-windows-folder";
    case FolderProblem::kNotMade: return "not-made";
    case FolderProblem::kLink: return "link";
    case FolderProblem::kNotAFolder: return "not-a-folder";
    case FolderProblem::kForeignOwner: return "foreign-owner";
    case FolderProblem::kOpenToOthers: return "open-to-others";
    case FolderProblem::kUnreadable: break;
  }
  return "unreadable";
}

ReasonWords WordsFor(ProfileSwapResult result) {
  switch (result) {
    case ProfileSwapResult::kSwapped: return {"swapped", ""};
    case ProfileSwapResult::kSignedIn:
      return {"signed-in", "the user signed in: the profile is loaded and was left as it is"};
    case ProfileSwapResult::kInUse: return {"in-use", "another program holds the file"};
    case ProfileSwapResult::kChanged:
      return {"changed", "the file changed after it was read: it was left as it is"};
    case ProfileSwapResult::kUnreadable:
      return {"unreadable", "the file or its logs could not be read as they stand"};
    case ProfileSwapResult::kNotSaved: return {"not-saved", "Windows did not load or save it"};
    case ProfileSwapResult::kRefused: return {"refused", "the saved copy failed the check"};
    case ProfileSwapResult::kContentDiffers:
      return {"content-differs", "the saved copy does not hold what the file held"};
    case ProfileSwapResult::kNoGain: return {"no-gain", "the copy is not smaller"};
    case ProfileSwapResult::kOtherVolume:
      return {"other-volume", "the profile is not on the Windows folder's volume"};
    case ProfileSwapResult::kNotAccepted:
      return {"not-accepted", "Windows did not exchange the files, or the record was not written"};
    case ProfileSwapResult::kStopped: return {"not-started", "the run stopped before this file"};
    case ProfileSwapResult::kRestartPending:
      return {"restart-pending", "an earlier run's swap of it waits for the restart"};
  }
  return {"", ""};
}

ReasonWords WordsFor(ProfileRestoreResult result) {
  switch (result) {
    case ProfileRestoreResult::kRestored: return {"restored", ""};
    case ProfileRestoreResult::kSignedIn:
      return {"signed-in", "the user is signed in: restore it once the user has signed out"};
    case ProfileRestoreResult::kNoBackup: return {"no-backup", "the run swapped no such hive"};
    case ProfileRestoreResult::kRefused:
      return {"refused", "the backup is not the file the run's record names"};
    case ProfileRestoreResult::kNotSaved: return {"not-saved", "the backup could not be copied"};
    case ProfileRestoreResult::kNotAccepted:
      return {"not-accepted", "Windows did not exchange the files"};
    case ProfileRestoreResult::kNotStarted:
      return {"not-started", "the restore stopped before this file"};
  }
  return {"", ""};
}

ReasonWords WordsFor(ProfileHiveResult result) {
  switch (result) {
    case ProfileHiveResult::kAnalysed: return {"analysed", ""};
    case ProfileHiveResult::kInUse:
      return {"in-use", "the file is in use: the user may be signing in"};
    case ProfileHiveResult::kUnreadable:
      return {"unreadable", "the file or its logs could not be read as they stand"};
    case ProfileHiveResult::kNotSaved: return {"not-saved", "Windows did not load or save it"};
    case ProfileHiveResult::kRefused: return {"refused", "the saved copy failed the check"};
    case ProfileHiveResult::kContentDiffers:
      return {"content-differs", "the saved copy does not hold what the file held"};
    case ProfileHiveResult::kChanged: return {"changed", "the file changed while it was copied"};
  }
  return {"", ""};
}
