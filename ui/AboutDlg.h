#pragma once
// The About box (template 100): icon, name and version, the web link, OK.
#include "ui/HyperlinkStatic.h"
#include "ui/framework/Dialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
  ~CAboutDlg() override = default;

  CHyperlinkStatic m_link;

 protected:
  void DoDataExchange(bool saveAndValidate) override;
};
