#pragma once
// The start-up value that opens the results window at the next logon: "Kelvaro"
// under HKEY_LOCAL_MACHINE's RunOnce key, holding the program's quoted path and
// the results switch. Both operations are silent: a key that cannot be opened
// means nothing is written or deleted.
#include "platform/CString.h"
#include "platform/RegistryKeyPaths.h"

// RunOnce, not Run: since Windows Vista programs that need elevation are not
// started from the per-machine Run key at logon, while RunOnce entries are
// started with an elevation prompt.
inline constexpr const wchar_t* kStartupKey = platform::kRunOnceKey;
// Where earlier versions wrote the value; it is removed from there too.
inline constexpr const wchar_t* kLegacyStartupKey = platform::kRunKey;
inline constexpr wchar_t kStartupValueName[] = L"Kelvaro";

// The start-up command for a program path, quoted so that a path with blanks
// cannot start another program first (C:\Program.exe):
//   C:\Program Files\Tools\x.exe => "C:\Program Files\Tools\x.exe" /results
CString ResultsCommandLine(const CString& programPath);

// Writes the value (REG_SZ, the command with its terminator), replacing an
// existing one, for the program's protected copy (ProgramCopy.h). Nothing is
// written when the copy cannot be placed.
void RegisterResultsOnRestart();

// Deletes the value from RunOnce and from Run; a missing value is no error.
void UnregisterResultsOnRestart();
