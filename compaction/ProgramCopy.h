#pragma once
// The copy of the program the start-up value starts, elevated, at the next
// logon: it lies in the protected <Windows>\Kelvaro folder, not wherever the
// user started the program from (a downloads folder any program of the user
// can rewrite). The results mode has the copy deleted at the restart after.
#include <optional>

#include "path/PathName.h"

// Copies the running program's file into <Windows>\Kelvaro (made or checked
// as ProtectedFolders.h says), replacing an earlier copy. The copy's path, or
// nothing when any step failed.
std::optional<CPathName> PlaceProgramCopy();

// When the running program is that copy, has it deleted at the next start.
void RemoveProgramCopyAtRestart();
