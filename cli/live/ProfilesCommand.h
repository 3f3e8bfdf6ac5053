#pragma once
// kelvaro-hive profiles: every profile in the machine's profile list, its
// kind, its hive files and whether Kelvaro would compact them.
#include "cli/CommandLine.h"
#include "cli/ToolContext.h"

int RunProfiles(const ParsedCommand& command, const ToolContext& context);
