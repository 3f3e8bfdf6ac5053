#pragma once
// What the two windows' lists do alike: a fill runs in the same frame, a column
// click re-sorts by the sorting scheme, and a row finds its record among the
// window's own.
#include <cstddef>
#include <memory>
#include <vector>

#include "ui/framework/ListCtrl.h"
#include "ui/logic/SortRules.h"

// Refills `list` of `window`: with its redrawing off, `emptyAndInsert` empties
// the list and inserts the rows; then the rows are sorted, the arrow shown, and
// the list redrawn. Redrawing goes off even while the window is still hidden:
// the list view otherwise lays out its scroll bars again after every insert.
template <class Window, class EmptyAndInsert>
void RefillSortedList(Window& window, CListCtrl& list, EmptyAndInsert emptyAndInsert) {
  list.SendMessage(WM_SETREDRAW, FALSE);
  emptyAndInsert();
  window.SortRows();
  window.ShowSortArrow(true);
  list.SendMessage(WM_SETREDRAW, TRUE);
  ::InvalidateRect(list.m_hWnd, nullptr, TRUE);
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

// The record a row's item data names: the data is the record's index in the
// window's own records; null for data that names none.
template <class Record>
const Record* RecordOfItemData(const std::vector<std::unique_ptr<Record>>& records, LPARAM data) {
  if (data < 0 || static_cast<std::size_t>(data) >= records.size()) return nullptr;
  return records[static_cast<std::size_t>(data)].get();
}
