#include "ui/AboutDlg.h"

#include "ui/framework/DataExchange.h"
#include "ui/res/resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX, nullptr) {}

void CAboutDlg::DoDataExchange(bool saveAndValidate) {
  DDX_Control(*this, saveAndValidate, IDC_WEB_LINK, m_link);
}
