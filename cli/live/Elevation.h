#pragma once
#include <ostream>
#include <string_view>

// Whether the process runs with its full administrator token (TokenElevation),
// the condition for saving and replacing hives. False when the platform cannot
// tell: the live commands then refuse rather than half-work.
bool ProcessIsElevated();

// True when elevated; otherwise says on err that the command needs an
// elevated prompt, in the words every live command uses.
bool ElevatedOrSaid(std::string_view command, std::ostream& err);
