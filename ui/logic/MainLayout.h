#pragma once
// The main window's layout: its minimum size, where its four controls go on a
// resize, the size grip's corner and hit zone, and the icon drawn while it is
// minimised. All in pixels; the constants are at 96 DPI.
#include <cstdint>

#include "platform/Win32Constants.h"
#include "ui/logic/Geometry.h"

namespace uilogic {

// The outer window never shrinks below this.
inline constexpr int kMainWindowMinimumWidth = 400;
inline constexpr int kMainWindowMinimumHeight = 200;

struct WindowSize {
  int width = 0;
  int height = 0;
};

// The minimum outer size for a window at `dpi`.
WindowSize MainWindowMinimumSize(int dpi);

using platform::kHitTestBottomRight;
using platform::kHitTestClient;
using platform::kSizeMaximized;

// The margins and button size the layout keeps, measured once from the
// window as the dialog template laid it out.
struct LayoutMetrics {
  int marginX = 0;       // the list's left in client coordinates
  int marginY = 0;       // the list's top in client coordinates
  int buttonWidth = 0;   // the Cancel button's width
  int buttonHeight = 0;  // the Cancel button's height
};

LayoutMetrics MeasureLayoutMetrics(const Rect& listInClient, const Rect& cancelButton);

// The controls' rectangles in client coordinates before a resize.
struct MainControls {
  Rect list;
  Rect checkBox;
  Rect defragment;
  Rect cancel;
  Rect analyze;
  Rect statusLine;  // the line under the list
};

// What a resize changes: the list's size (it keeps its corner) and the other
// controls' top-left corners (they keep their sizes).
struct MainLayout {
  int listWidth = 0;
  int listHeight = 0;
  Point checkBox;
  Point defragment;
  Point cancel;
  Point analyze;
  Point statusLine;
  int statusLineWidth = 0;
};

// For a client area of clientWidth x clientHeight: the list fills the width
// less the margins and ends MY above the status line, which is as wide as the
// list and ends MY above a row of controls whose bottom lies MY above the
// client bottom; Cancel keeps a right margin of MX, Defragment stands MX to the
// left of a BW-wide Cancel and Analyze MX to the left of Defragment, the check
// box keeps its left edge.
MainLayout LayOutMainWindow(const LayoutMetrics& metrics, const MainControls& current,
                            int clientWidth, int clientHeight);

// The narrowest client area in which Analyze stays MX clear of the check box.
int MinimumClientWidth(const LayoutMetrics& metrics, const MainControls& current);

// The outer window's minimum width: kMainWindowMinimumWidth at `dpi`, or more
// when the buttons need it; `frameWidth` is the outer width less the client width.
int MinimumWindowWidth(const LayoutMetrics& metrics, const MainControls& current, int frameWidth,
                       int dpi);

// The grip shows unless the window is maximised.
bool GripVisibleAfterSize(std::uint32_t sizeType);

// The grip's square in the client area's lower right corner, a scroll bar's
// width (SM_CXHSCROLL) wide and a scroll bar's height (SM_CYVSCROLL) high.
Rect GripRect(const Rect& client, int scrollBarWidth, int scrollBarHeight);

// HTBOTTOMRIGHT when the platform classed the point as client area, the grip is
// shown and the point lies in the same square at the outer window's lower right
// corner (screen coordinates); otherwise the platform's own answer.
int SizeGripHitTest(int defaultResult, bool gripVisible, const Rect& window, Point screenPoint,
                    int scrollBarWidth, int scrollBarHeight);

// Where the large icon goes, centred, while the window is minimised.
Point MinimizedIconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

}  // namespace uilogic
