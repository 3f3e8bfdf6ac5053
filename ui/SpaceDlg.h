#pragma once
// "Where the space goes": the largest subtrees of one analysed hive's checked
// copy, each with its size and its share of the copy, parents before children.
#include <vector>

#include "ui/framework/Dialog.h"
#include "ui/framework/ListCtrl.h"
#include "ui/logic/SpaceList.h"

class CSpaceDlg : public CDialog {
 public:
  explicit CSpaceDlg(CWnd* parent = nullptr);

  BOOL OnInitDialog() override;

  CString m_hiveName;                         // in the caption
  std::vector<uilogic::SpaceListRow> m_rows;  // listed as they come
  CListCtrl m_list;

 protected:
  void DoDataExchange(bool saveAndValidate) override;
};
