#include "ui/framework/Dialog.h"

#include "ui/framework/WinApp.h"
#include "ui/logic/DialogReplyRules.h"

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nTemplateId(templateId), m_pParent(parent) {}

INT_PTR CDialog::DoModal() {
  // Without a parent the dialog is modal over the thread's active window, if any.
  HWND owner = m_pParent != nullptr ? m_pParent->m_hWnd : ::GetActiveWindow();
  bool ownerWasEnabled = owner != nullptr && ::IsWindowEnabled(owner);
  m_bEndModal = false;
  m_nModalResult = -1;
  HWND window = ::CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nTemplateId), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (window == nullptr) return -1;
  if (ownerWasEnabled) ::EnableWindow(owner, FALSE);
  if (!m_bEndModal) ::ShowWindow(window, SW_SHOW);

  MSG message{};
  while (!m_bEndModal) {
    BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // leave the quit for the caller
      break;
    }
    if (got == -1) break;
    if (!::IsDialogMessageW(window, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  if (ownerWasEnabled) ::EnableWindow(owner, TRUE);
  if (owner != nullptr && ::GetActiveWindow() == window) ::SetActiveWindow(owner);
  DestroyWindow();
  return m_nModalResult;
}

BOOL CDialog::Create() {
  HWND owner = m_pParent != nullptr ? m_pParent->m_hWnd : nullptr;
  m_bEndModal = false;
  m_nModalResult = -1;
  HWND window = ::CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nTemplateId), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  return window != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
  m_nModalResult = result;
  m_bEndModal = true;
  if (m_hWnd != nullptr) ::ShowWindow(m_hWnd, SW_HIDE);
}

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

bool CDialog::ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HWND from = nullptr;
  if (message == WM_NOTIFY) {
    from = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
  } else if (message == WM_CTLCOLORSTATIC) {
    from = reinterpret_cast<HWND>(lParam);
  } else {
    return false;
  }
  for (CWnd* control : m_attached) {
    if (control->m_hWnd == from)
      return control->ReflectNotification(message, wParam, lParam, result);
  }
  return false;
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
  if (dialog->ReflectToControl(message, wParam, lParam, &result) ||
      dialog->RouteMessage(message, wParam, lParam, &result)) {
    if (uilogic::DialogReturnsAnswerDirectly(message)) return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG: {
      BOOL focusSet = TRUE;
      GuardHandler(window, [&] { focusSet = dialog->OnInitDialog(); });
      return focusSet;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        if (LOWORD(wParam) == IDOK) {
          GuardHandler(window, [&] { dialog->OnOK(); });
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          GuardHandler(window, [&] { dialog->OnCancel(); });
          return TRUE;
        }
      }
      return FALSE;
    case WM_NCDESTROY:
      dialog->m_hWnd = nullptr;
      for (CWnd* control : dialog->m_attached) control->m_hWnd = nullptr;
      dialog->m_attached.clear();
      ::SetWindowLongPtrW(window, DWLP_USER, 0);
      return FALSE;
    default: return FALSE;
  }
}
