#include "ui/framework/Dialog.h"

#include "ui/framework/WinApp.h"

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nTemplateId(templateId), m_pParent(parent) {}

INT_PTR CDialog::DoModal() {
  HWND owner = m_pParent != nullptr ? m_pParent->m_hWnd : nullptr;
  return ::DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nTemplateId), owner,
                           &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(bool) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  DoDataExchange(saveAndValidate != FALSE);
  return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CDialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->m_hWnd = window;
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
  } else {
    dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  }
  if (dialog == nullptr) return FALSE;

  LRESULT result = 0;
  if (dialog->RouteMessage(message, wParam, lParam, &result)) {
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      return dialog->OnInitDialog();
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        if (LOWORD(wParam) == IDOK) {
          dialog->OnOK();
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          dialog->OnCancel();
          return TRUE;
        }
      }
      return FALSE;
    case WM_NCDESTROY:
      dialog->m_hWnd = nullptr;
      ::SetWindowLongPtrW(window, DWLP_USER, 0);
      return FALSE;
    default:
      return FALSE;
  }
}
