#pragma once
// What the two windows' lists do alike: a fill runs in the same frame, a column
// click re-sorts by the sorting scheme, and emptying a list releases the record
// each row owns.
#include "ui/framework/ListCtrl.h"
#include "ui/logic/SortRules.h"

// Refills `list` of `window`: with its redrawing off while it is visible,
// `emptyAndInsert` empties the list and inserts the rows; then the rows are
// sorted, the arrow shown, and the list redrawn if it is visible by then.
template <class Window, class EmptyAndInsert>
void RefillSortedList(Window& window, CListCtrl& list, EmptyAndInsert emptyAndInsert) {
  if (list.IsWindowVisible()) list.SendMessage(WM_SETREDRAW, FALSE);
  emptyAndInsert();
  window.SortRows();
  window.ShowSortArrow(true);
  if (list.IsWindowVisible()) {
    list.SendMessage(WM_SETREDRAW, TRUE);
    ::InvalidateRect(list.m_hWnd, nullptr, TRUE);
  }
}

// `Window` has m_nSortColumn, m_bSortAscending, SortRows() and ShowSortArrow(bool).
template <class Window>
void SortByClickedColumn(Window& window, int clickedColumn) {
  window.ShowSortArrow(false);
  uilogic::SortOrder order =
      uilogic::AfterColumnClick({window.m_nSortColumn, window.m_bSortAscending}, clickedColumn);
  window.m_nSortColumn = order.column;
  window.m_bSortAscending = order.ascending;
  window.SortRows();
  window.ShowSortArrow(true);
}

// Frees every row's record (the count is read again on every step), then the rows.
template <class Record>
void FreeRowRecords(CListCtrl& list) {
  if (list.m_hWnd == nullptr) return;
  for (int index = 0; index < list.GetItemCount(); ++index) {
    delete reinterpret_cast<Record*>(list.GetItemData(index));
  }
  list.DeleteAllItems();
}
