#pragma once
// What the main and results windows share: the application icons, the About
// entry of the system menu, the icon painted while minimised, and the sort
// arrow in a list's header.
#include <windows.h>

#include <optional>

class CListCtrl;

// Icon 128 at the large (SM_CXICON) or small (SM_CXSMICON) size; null when it
// cannot be loaded.
HICON LoadAppIcon(bool small);

// Destroys whichever of a window's two icons was loaded.
void DestroyAppIcons(HICON big, HICON small);

// Makes the icons the window's big and small icon (WM_SETICON).
void SetWindowIcons(HWND window, HICON big, HICON small);

// Appends a separator and "&About Kelvaro..." (command 0x0010) to the system menu.
void AddAboutMenuEntry(HWND window);

// Opens the About box when the system command is the About entry and answers 0;
// no answer for every other command, which keeps its default processing.
std::optional<LRESULT> RunAboutCommand(WPARAM command);

// Paints the large icon centred when the window is minimised; false, painting
// nothing, otherwise.
bool PaintMinimizedIcon(HWND window, HICON icon);

// Puts (or removes) the up or down arrow at the right of column `column`'s heading.
void ShowHeaderSortArrow(CListCtrl& list, int column, bool ascending, bool show);
