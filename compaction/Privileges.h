#pragma once
// Switching one named privilege ("SeBackupPrivilege", "SeRestorePrivilege",
// "SeShutdownPrivilege") on and off in a security token. The token is opened for
// each call and closed before it returns.

// Switches the privilege on. 1: switched on by this call; 0: it was on already
// (attribute word exactly 1 or 2) and nothing changed; -1: failure (no token,
// an unknown name, a privilege the token lacks). A word of 3 or 0 is switched on
// again. With `useProcessToken` false the thread's own token is tried first and
// the process token used when the thread has none. `enabledBefore`, when
// given, learns whether the word held the enabled bit before the call (false
// when the list could not be read).
int EnablePrivilege(const wchar_t* name, bool useProcessToken, bool* enabledBefore = nullptr);

// Switches the privilege off, whatever its earlier state. True when the change
// was accepted without any error report.
bool DisablePrivilege(const wchar_t* name, bool useProcessToken);
