#pragma once
// The main window: every loaded hive as a row with a tick box, sortable by any
// column, resizable with a size grip, and the Defragment button that follows
// the ticks.
#include "ui/CheckListCtrl.h"
#include "ui/framework/Dialog.h"

class CHiveListDlg : public CDialog {
 public:
  explicit CHiveListDlg(CWnd* parent = nullptr);
  ~CHiveListDlg() override;

  const MessageMap* GetMessageMap() const override;
  BOOL DestroyWindow() override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void FreeHiveRows();
  void SortRows();
  void ShowSortArrow(bool show);
  void UpdateDefragmentButton();
  static int CALLBACK CompareHiveRows(LPARAM first, LPARAM second, LPARAM context);

  // Message handlers.
  std::optional<LRESULT> OnSysCommand(WPARAM id, LPARAM);
  void OnSysColorChange();
  void OnPaint();
  std::optional<LRESULT> OnQueryDragIcon(WPARAM, LPARAM);
  std::optional<LRESULT> OnNcHitTest(WPARAM, LPARAM point);
  std::optional<LRESULT> OnGetMinMaxInfo(WPARAM, LPARAM info);
  std::optional<LRESULT> OnSize(WPARAM type, LPARAM size);
  void OnColumnClick(NMHDR* header, LRESULT* result);
  void OnItemChanged(NMHDR* header, LRESULT* result);
  void OnDefragment();

  CCheckListCtrl m_list;
  int m_bShowResults = 1;
  HICON m_hIcon = nullptr;
  HICON m_hSmallIcon = nullptr;
  bool m_bGripVisible = true;
  RECT m_rcGrip{};
  bool m_bSortAscending = true;
  int m_nSortColumn = 0;

 protected:
  void DoDataExchange(bool saveAndValidate) override;

 private:
  void InitHiveListControl();
};

// Enables or disables a dialog's control, moving the focus away from a control
// about to be disabled and keeping a re-enabled default button drawn as such.
void EnableDlgControl(CDialog& dialog, int controlId, bool enable);
