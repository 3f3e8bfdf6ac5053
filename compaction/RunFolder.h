#pragma once
// The protected folder of one run, analysis or restore (ProtectedFolders.h),
// made afresh below the system Windows folder, with the volume it lives on:
// a copy can replace only a hive file of that volume, Windows swapping the two
// by renaming.
#include <cstdint>

#include "compaction/RunOutcome.h"
#include "compaction/ProtectedFolders.h"
#include "path/PathName.h"

struct RunFolder {
  CPathName windowsFolder;
  CPathName path;
  std::uint32_t volumeSerialNumber = 0;
  StoppedAt stoppedAt = StoppedAt::kNothing;  // kRunFolder when no folder could be made
  FolderProblem problem = FolderProblem::kNone;
  bool ok() const { return stoppedAt == StoppedAt::kNothing; }
};

// Makes the folder and reads its volume; a folder whose volume cannot be read
// is removed again.
RunFolder MakeRunFolder();
