#pragma once
// Every command of kelvaro-hive, in the order --help shows them.
#include <vector>

#include "cli/CommandLine.h"

const std::vector<CommandSpec>& Commands();
