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
