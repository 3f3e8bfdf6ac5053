#pragma once
// String-table loading and the program's message boxes.
#include <windows.h>

#include "platform/CString.h"

// The string with this id from the program's string table; empty when missing.
CString LoadResourceString(UINT id);

// A message box captioned "Kelvaro".
int KelvaroMessageBox(HWND owner, const wchar_t* text, UINT style);
