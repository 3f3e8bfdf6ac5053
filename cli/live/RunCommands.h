#pragma once
// The commands on the runs on record (compaction/RunRecordFile.h): `runs`
// lists them; `restore` (not --offline) asks before it puts one back.
#include "cli/CommandLine.h"
#include "cli/ToolContext.h"

// runs [--json]: number, start, hives and state of each run on record.
int RunRunsCommand(const ParsedCommand& command, const ToolContext& context);

// restore [--run N] [HIVE]... [--yes] [--no-restart]: picks the run (the last
// one by default) and its hives, shows its date and asks on the console (--yes
// does not ask; without a console it refuses), then restores through the live
// command (cli/live/Commands.h, RunRestore).
int RunLiveRestoreCommand(const ParsedCommand& command, const ToolContext& context);
