#pragma once
// The dots per inch a window is drawn at, for scaling the layout's constants.
#include <windows.h>

// GetDpiForWindow where the system has it (Windows 10 1607 on), looked up at
// run time so the program still starts on Vista; elsewhere, or when it gives
// no answer, the screen's LOGPIXELSX, which is the system DPI.
int WindowDpi(HWND window);
