#pragma once
// The commands on hive files, which run on any system. Each takes its parsed
// command line (see the table in cli/CommandTable.cpp) and returns the exit code.
#include "cli/CommandLine.h"
#include "cli/ToolContext.h"

// The base block, counts, space and what compacting would give.
int RunInfo(const ParsedCommand& command, const ToolContext& context);
// Every finding, naming the file offset.
int RunCheck(const ParsedCommand& command, const ToolContext& context);
// IN's content written afresh into OUT, in the fewest bytes.
int RunCompact(const ParsedCommand& command, const ToolContext& context);
// Two hives' content compared, layout ignored.
int RunDiff(const ParsedCommand& command, const ToolContext& context);
// Where the bytes go: the largest subtrees, security, free space, overhead.
int RunUsage(const ParsedCommand& command, const ToolContext& context);
