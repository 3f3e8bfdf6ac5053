#pragma once
// What the main and results windows share: the application icons, the About
// entry of the system menu, the icon painted while minimised, and the sort
// arrow in a list's header.
#include <windows.h>

class CListCtrl;

// Icon 128 at the large (SM_CXICON) or small (SM_CXSMICON) size; null when it
// cannot be loaded.
HICON LoadAppIcon(bool small);

// Appends a separator and "&About Kelvaro..." (command 0x0010) to the system menu.
void AddAboutMenuEntry(HWND window);

// Opens the About box when the system command is the About entry; false for
// every other command, which keeps its default processing.
bool RunAboutCommand(WPARAM command);

// Paints the large icon centred in a minimised window.
void PaintMinimizedIcon(HWND window, HICON icon);

// Puts (or removes) the up or down arrow at the right of column `column`'s heading.
void ShowHeaderSortArrow(CListCtrl& list, int column, bool ascending, bool show);
