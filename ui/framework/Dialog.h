#pragma once
// A modal dialog built from a dialog template resource.
#include "ui/framework/Wnd.h"

class CDialog : public CWnd {
 public:
  CDialog(UINT templateId, CWnd* parent);

  // Creates the dialog from its template and runs it until EndDialog.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  UINT TemplateId() const { return m_nTemplateId; }

 protected:
  virtual void DoDataExchange(bool saveAndValidate);
  // Moves values between the controls and their members; false on a validation failure.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  UINT m_nTemplateId;
  CWnd* m_pParent;
};
