#pragma once
// The commands on an installation that is not running: offline, and restore
// with --offline (restore without it is the live command).
#include "cli/CommandLine.h"
#include "cli/ToolContext.h"

int RunOffline(const ParsedCommand& command, const ToolContext& context);
// restore --offline ROOT [--run N], or the live restore.
int RunRestoreCommand(const ParsedCommand& command, const ToolContext& context);
