#include "ui/logic/MainLayout.h"

#include "ui/logic/DpiScale.h"

namespace uilogic {

WindowSize MainWindowMinimumSize(int dpi) {
  return {ScaleForDpi(kMainWindowMinimumWidth, dpi), ScaleForDpi(kMainWindowMinimumHeight, dpi)};
}

LayoutMetrics MeasureLayoutMetrics(const Rect& listInClient, const Rect& cancelButton) {
  return {listInClient.left, listInClient.top, cancelButton.Width(), cancelButton.Height()};
}

MainLayout LayOutMainWindow(const LayoutMetrics& metrics, const MainControls& current,
                            int clientWidth, int clientHeight) {
  const int mx = metrics.marginX;
  const int my = metrics.marginY;
  const int buttonsTop = clientHeight - my - metrics.buttonHeight;
  const int statusLineTop = buttonsTop - my - current.statusLine.Height();
  MainLayout layout;
  layout.listWidth = clientWidth - 2 * mx;
  layout.listHeight = statusLineTop - my - current.list.top;
  layout.checkBox = {current.checkBox.left, buttonsTop};
  layout.defragment = {clientWidth - 2 * mx - metrics.buttonWidth - current.defragment.Width(),
                       buttonsTop};
  layout.cancel = {clientWidth - mx - current.cancel.Width(), buttonsTop};
  layout.analyze = {layout.defragment.x - mx - current.analyze.Width(), buttonsTop};
  layout.statusLine = {mx, statusLineTop};
  layout.statusLineWidth = layout.listWidth;
  return layout;
}

int MinimumClientWidth(const LayoutMetrics& metrics, const MainControls& current) {
  return current.checkBox.right + 4 * metrics.marginX + metrics.buttonWidth +
         current.defragment.Width() + current.analyze.Width();
}

int MinimumWindowWidth(const LayoutMetrics& metrics, const MainControls& current, int frameWidth,
                       int dpi) {
  const int needed = MinimumClientWidth(metrics, current) + frameWidth;
  const int floor = MainWindowMinimumSize(dpi).width;
  return needed > floor ? needed : floor;
}

bool GripVisibleAfterSize(std::uint32_t sizeType) { return sizeType != kSizeMaximized; }

Rect GripRect(const Rect& client, int scrollBarWidth, int scrollBarHeight) {
  return {client.right - scrollBarWidth, client.bottom - scrollBarHeight, client.right,
          client.bottom};
}

int SizeGripHitTest(int defaultResult, bool gripVisible, const Rect& window, Point screenPoint,
                    int scrollBarWidth, int scrollBarHeight) {
  if (defaultResult != kHitTestClient || !gripVisible) return defaultResult;
  if (GripRect(window, scrollBarWidth, scrollBarHeight).Contains(screenPoint)) {
    return kHitTestBottomRight;
  }
  return defaultResult;
}

Point MinimizedIconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace uilogic
