#pragma once
// A list-view control: a handle and thin wrappers over its messages.
#include <windows.h>

#include <commctrl.h>

#include "ui/framework/Wnd.h"

class CListCtrl : public CWnd {
 public:
  int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
  UINT GetItemState(int item, UINT mask) const {
    return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
  }
  BOOL SetItemState(int item, UINT state, UINT mask) {
    LVITEMW lvItem{};
    lvItem.mask = LVIF_STATE;
    lvItem.iItem = item;
    lvItem.state = state;
    lvItem.stateMask = mask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                                         reinterpret_cast<LPARAM>(&lvItem)));
  }
  int GetNextItem(int start, UINT flags) const {
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags));
  }
  LPARAM GetItemData(int item) const {
    LVITEMW lvItem{};
    lvItem.mask = LVIF_PARAM;
    lvItem.iItem = item;
    SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&lvItem));
    return lvItem.lParam;
  }
  // Inserts a row with its text, item data, state image bits and, unless -1, its
  // image index; the new index or -1.
  int InsertItem(int index, const wchar_t* text, LPARAM data, UINT stateBits, int image = -1) {
    LVITEMW lvItem{};
    lvItem.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE | (image >= 0 ? LVIF_IMAGE : 0u);
    lvItem.iImage = image;
    lvItem.iItem = index;
    lvItem.pszText = const_cast<wchar_t*>(text);
    lvItem.lParam = data;
    lvItem.state = stateBits;
    lvItem.stateMask = LVIS_STATEIMAGEMASK;
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lvItem)));
  }
  BOOL SetItemText(int item, int subItem, const wchar_t* text) {
    LVITEMW lvItem{};
    lvItem.iSubItem = subItem;
    lvItem.pszText = const_cast<wchar_t*>(text);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                                         reinterpret_cast<LPARAM>(&lvItem)));
  }
  // Makes room for `count` rows at once, so a long fill does not grow the list row by row.
  void SetItemCount(int count) { SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(count)); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
  int InsertColumn(int column, const wchar_t* heading, int format, int width) {
    LVCOLUMNW lvColumn{};
    lvColumn.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    lvColumn.fmt = format;
    lvColumn.cx = width;
    lvColumn.pszText = const_cast<wchar_t*>(heading);
    lvColumn.iSubItem = column;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                                        reinterpret_cast<LPARAM>(&lvColumn)));
  }
  HWND GetHeaderCtrl() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }
  void SetExtendedStyle(DWORD mask, DWORD style) {
    SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
  }
  void SetImageList(HIMAGELIST list, int which) {
    SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list));
  }
  BOOL SortItems(PFNLVCOMPARE compare, LPARAM context) {
    return static_cast<BOOL>(SendMessage(LVM_SORTITEMS, static_cast<WPARAM>(context),
                                         reinterpret_cast<LPARAM>(compare)));
  }
  int HitTest(POINT point, UINT* flags) const {
    LVHITTESTINFO info{};
    info.pt = point;
    int index = static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags != nullptr) *flags = info.flags;
    return index;
  }
};
