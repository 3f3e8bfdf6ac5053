#pragma once
// The one step by which a run and a restore change what Windows boots from:
// a checked copy handed to RegReplaceKeyW, to become the hive's file at the
// next start while the file it replaces moves aside.
#include <optional>

#include "compaction/RunOutcome.h"
#include "path/PathName.h"
#include "platform/Types.h"

// `hiveKey`: the hive's key, open with backup semantics. SeRestorePrivilege is
// on for the call alone; when it cannot be switched on nothing is handed over.
// A copy Windows does not take is dropped (kNotAccepted); nothing when the
// replacement is scheduled.
std::optional<NotScheduledReason> ScheduleReplacement(platform::KeyHandle hiveKey,
                                                      const CPathName& copy,
                                                      const CPathName& replacedFile);
