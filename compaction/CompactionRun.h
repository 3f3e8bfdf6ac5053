#pragma once
// The compaction run behind the main window's Defragment button, from the
// moment the user confirmed. It makes a protected folder of its own for the
// run and checks or makes the backup folder (see ProtectedFolders.h); then,
// one hive at a time, it has Windows save a compact copy there with the live
// file's descriptor, checks the copy (CopyCheck.h), and schedules it to
// replace the live hive file at the next start, the live file moving into the
// backup folder. A hive either gets a checked copy scheduled or nothing. When
// anything was scheduled it registers the results window (if asked) and
// requests a restart; otherwise it removes its run folder.
//
// The window keeps what only it can do: the confirmation, the wait cursor,
// reading its check box, ending itself or showing the "nothing compacted"
// message, as the outcome says.
#include <functional>
#include <vector>

#include "compaction/RunOutcome.h"
#include "compaction/RunProgress.h"
#include "platform/CString.h"

// What a run that scheduled something does last: the window restarts at once,
// the command line's --no-restart leaves the restart to the administrator.
enum class AfterScheduling { kRestart, kLeaveRestartToUser };

// Processes the ticked rows that carry an entry, in the given order. A row is
// left out entirely when its hive's file was not found (size 0), its name
// starts with neither "HKLM\" nor "HKU\", its key name is not usable as a
// file name, or an earlier row already uses the same key name. A hive is
// replaced only by a copy that passed the check. Only a folder problem, or a
// record that cannot be made, stops the run before it changes anything. No
// exception leaves it: a failure (out of memory, say) ends it as interrupted,
// the swaps scheduled so far named by its record and its recovery note.
// `beforeRestart`, when given, sees the outcome of a run that scheduled
// something before the start-up value is written and the restart requested;
// a stopped run requests no restart and does not call it.
// `progress` hears of each hive before its save and is asked before each hive,
// and once more before the restart, whether to stop. A stopped run that
// scheduled something still writes the recovery note and the start-up value
// (if asked) and closes the window: the user restarts when they choose, as
// after a run told kLeaveRestartToUser.
CompactionOutcome RunCompaction(
    const std::vector<CompactionRow>& rows, bool showResults, const CString& shutdownMessage,
    const std::function<void(const CompactionOutcome&)>& beforeRestart = {},
    const RunProgress& progress = {}, AfterScheduling after = AfterScheduling::kRestart);
