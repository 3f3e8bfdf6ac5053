#pragma once
// The main window's list: every row has a tick box (its state image), flipped by
// a click on the box, a double click on the box or the text, and the space bar.
#include "ui/framework/ListCtrl.h"

class CCheckListCtrl : public CListCtrl {
 public:
  ~CCheckListCtrl() override = default;
  const MessageMap* GetMessageMap() const override;

  void OnClick(NMHDR* header, LRESULT* result);
  void OnDblClick(NMHDR* header, LRESULT* result);
  void OnKeyDown(NMHDR* header, LRESULT* result);

  // Toggles the row under the reported click when the hit zone is in `mask`.
  bool ToggleAtCursor(UINT mask);
  void ToggleSelected();
  void ToggleRow(int index);
  int CountRowsWithState(UINT state) const;
};
