#pragma once
// A modal dialog built from a dialog template resource.
#include <vector>

#include "ui/framework/Wnd.h"

class CDialog : public CWnd {
 public:
  CDialog(UINT templateId, CWnd* parent);

  // Creates the dialog from its template, runs it until EndDialog, then destroys
  // it through the (virtual) DestroyWindow, as the framework does.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);
  // Creates the dialog without a modal loop (tests drive it with messages).
  BOOL Create();
  INT_PTR ModalResult() const { return m_nModalResult; }
  bool ModalEnded() const { return m_bEndModal; }

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  UINT TemplateId() const { return m_nTemplateId; }

  // Control objects that receive their reflected notifications.
  void AttachControl(CWnd& control) { m_attached.push_back(&control); }
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

 protected:
  virtual void DoDataExchange(bool saveAndValidate);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  UINT m_nTemplateId;
  CWnd* m_pParent;
  std::vector<CWnd*> m_attached;
  bool m_bEndModal = false;
  INT_PTR m_nModalResult = -1;
};
