#pragma once
// The About box (template 100).
#include "ui/framework/Dialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUT_TEMPLATE, nullptr) {}

 private:
  static constexpr UINT IDD_ABOUT_TEMPLATE = 100;
};
