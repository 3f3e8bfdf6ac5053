#include "ui/framework/DataExchange.h"

void DDX_Control(CDialog& dialog, bool, int id, CWnd& control) {
  if (control.m_hWnd != nullptr) return;
  control.SubclassWindow(dialog.GetDlgItem(id));
  dialog.AttachControl(control);
}

void DDX_Check(CDialog& dialog, bool saveAndValidate, int id, int& value) {
  HWND box = dialog.GetDlgItem(id);
  if (saveAndValidate) {
    value = static_cast<int>(::SendMessageW(box, BM_GETCHECK, 0, 0));
  } else {
    ::SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  }
}
