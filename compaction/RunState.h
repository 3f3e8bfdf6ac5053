#pragma once
// How far a run on record got, in the words `kelvaro-hive runs` shows: read
// from its record and from what stands at its backup names now. A backup name
// holds a file only once Windows swapped the hive at a restart.
#include "compaction/RunRecord.h"

enum class RunState {
  kNothingScheduled,   // no hive was handed to Windows
  kInterrupted,        // the run ended before it had gone through every hive
  kWaitingForRestart,  // swaps handed over, none taken yet
  kSwapped,            // every swap taken, each backup there
  kPartlySwapped,      // some backups there, others not (never taken, or deleted)
  kBackupsDeleted,     // swapped, and every backup deleted since
};

RunState StateOfRun(const RunRecord& record);

// "nothing scheduled", "interrupted", "waiting for restart", "swapped",
// "partly swapped", "backups deleted".
const char* RunStateWords(RunState state);
