#pragma once
// Whether the process runs with its full administrator token (TokenElevation),
// the condition for saving and replacing hives. False when the platform cannot
// tell: the live commands then refuse rather than half-work.
bool ProcessIsElevated();
