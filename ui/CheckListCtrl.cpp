#include "ui/CheckListCtrl.h"

#include "ui/logic/TickRules.h"

namespace {
const MessageMapEntry kEntries[] = {
    {kReflectedNotify, NM_CLICK, 0, &CallNotify<CCheckListCtrl, &CCheckListCtrl::OnClick>},
    {kReflectedNotify, NM_DBLCLK, 0, &CallNotify<CCheckListCtrl, &CCheckListCtrl::OnDblClick>},
    {kReflectedNotify, LVN_KEYDOWN, 0, &CallNotify<CCheckListCtrl, &CCheckListCtrl::OnKeyDown>},
};
}  // namespace

const MessageMap* CCheckListCtrl::GetMessageMap() const {
  static const MessageMap map = {CListCtrl::GetMessageMap(), kEntries, std::size(kEntries)};
  return &map;
}

void CCheckListCtrl::OnClick(NMHDR*, LRESULT* result) {
  ToggleAtCursor(uilogic::kClickToggleZones);
  *result = 0;
}

void CCheckListCtrl::OnDblClick(NMHDR*, LRESULT* result) {
  ToggleAtCursor(uilogic::kDoubleClickToggleZones);
  *result = 0;
}

void CCheckListCtrl::OnKeyDown(NMHDR* header, LRESULT* result) {
  auto* key = reinterpret_cast<NMLVKEYDOWN*>(header);
  if (uilogic::KeyTogglesSelection(key->wVKey)) ToggleSelected();
  *result = 0;
}

bool CCheckListCtrl::ToggleAtCursor(UINT mask) {
  uilogic::Point screen = uilogic::PointFromMessagePos(::GetMessagePos());
  POINT point{screen.x, screen.y};
  ::ScreenToClient(m_hWnd, &point);
  UINT flags = 0;
  int index = HitTest(point, &flags);
  if (!uilogic::HitTogglesRow(index, flags, mask)) return false;
  ToggleRow(index);
  return true;
}

void CCheckListCtrl::ToggleSelected() {
  for (int index = GetNextItem(-1, LVNI_SELECTED); index != -1;
       index = GetNextItem(index, LVNI_SELECTED)) {
    ToggleRow(index);
  }
}

void CCheckListCtrl::ToggleRow(int index) {
  UINT state = GetItemState(index, uilogic::kStateImageMask);
  SetItemState(index, uilogic::ToggledState(state), uilogic::kStateImageMask);
}

int CCheckListCtrl::CountRowsWithState(UINT state) const {
  // The row count is asked once: every ask is a message to the control.
  const int rows = GetItemCount();
  int count = 0;
  for (int index = 0; index < rows; ++index) {
    if (GetItemState(index, uilogic::kStateImageMask) == state) ++count;
  }
  return count;
}
