#include "ui/SpaceDlg.h"

#include "ui/WindowDpi.h"
#include "ui/framework/DataExchange.h"
#include "ui/framework/Resources.h"
#include "ui/logic/AnalysisColumn.h"
#include "ui/logic/ColumnWidths.h"
#include "ui/res/resource.h"

CSpaceDlg::CSpaceDlg(CWnd* parent) : CDialog(IDD_SPACE_DIALOG, parent) {}

void CSpaceDlg::DoDataExchange(bool saveAndValidate) {
  DDX_Control(*this, saveAndValidate, IDC_SPACE_LIST, m_list);
}

BOOL CSpaceDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(
      uilogic::FillPlaceholders(LoadResourceString(IDS_SPACE_CAPTION), {m_hiveName}).GetString());
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  RECT client{};
  ::GetClientRect(m_list.m_hWnd, &client);
  auto widths = uilogic::SpaceListColumnWidths(client.right - client.left,
                                               ::GetSystemMetrics(SM_CXVSCROLL), WindowDpi(m_hWnd));
  m_list.InsertColumn(uilogic::kSpaceKeyColumn, LoadResourceString(IDS_COLUMN_KEY), LVCFMT_LEFT,
                      widths[uilogic::kSpaceKeyColumn]);
  m_list.InsertColumn(uilogic::kSpaceSizeColumn, LoadResourceString(IDS_COLUMN_SIZE), LVCFMT_RIGHT,
                      widths[uilogic::kSpaceSizeColumn]);
  m_list.InsertColumn(uilogic::kSpaceShareColumn, LoadResourceString(IDS_COLUMN_SHARE),
                      LVCFMT_RIGHT, widths[uilogic::kSpaceShareColumn]);
  int position = 0;
  for (const uilogic::SpaceListRow& row : m_rows) {
    const int inserted = m_list.InsertItem(position, row.key, 0, 0);
    if (inserted < 0) continue;
    m_list.SetItemText(inserted, uilogic::kSpaceSizeColumn, row.size);
    m_list.SetItemText(inserted, uilogic::kSpaceShareColumn, row.share);
    position = inserted + 1;
  }
  return TRUE;
}
