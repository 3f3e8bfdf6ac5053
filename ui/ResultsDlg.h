#pragma once
// The results window: after the restart, each hive the last run compacted,
// its size before (its backup copy) and now (its live file); OK with "Delete
// Backup" ticked removes that run's backups. The box under the list names the
// changes made after each copy was taken, which the compacted hive lacks
// (LostWrites.h), and a button offers to put such a hive's previous file back.
#include <memory>
#include <optional>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "compaction/LostWrites.h"
#include "results/LastRun.h"
#include "ui/framework/Dialog.h"
#include "ui/framework/ListCtrl.h"

class CResultsDlg : public CDialog {
 public:
  explicit CResultsDlg(CWnd* parent = nullptr);
  ~CResultsDlg() override;

  const MessageMap* GetMessageMap() const override;
  BOOL DestroyWindow() override;
  BOOL OnInitDialog() override;

  // Empties the list and inserts one row per compacted hive, then sorts and
  // shows the arrow.
  void FillResultsList();
  void FreeResultRows();
  void SortRows();
  void ShowSortArrow(bool show);
  static int CALLBACK CompareResultRows(LPARAM first, LPARAM second, LPARAM context);

  std::optional<LRESULT> OnSysCommand(WPARAM id, LPARAM);
  void OnPaint();
  std::optional<LRESULT> OnQueryDragIcon(WPARAM, LPARAM);
  void OnColumnClick(NMHDR* header, LRESULT* result);
  void OnPutBack();

  CListCtrl m_list;
  int m_bDeleteBackup = 0;
  HICON m_hIcon = nullptr;
  HICON m_hSmallIcon = nullptr;
  bool m_bSortAscending = true;
  int m_nSortColumn = 0;
  // The records behind the rows: a row's item data is its record's index here.
  std::vector<std::unique_ptr<HiveResultEntry>> m_results;
  // The last run on record, read when the window opens; none: nothing to show.
  std::optional<ReviewedRun> m_run;
  // The last run's lost writes; nothing when no run is on record.
  std::optional<LostWriteReport> m_lostWrites;

 protected:
  void DoDataExchange(bool saveAndValidate) override;

 private:
  void InitResultsListControl();
  void ShowLostWrites();
  const HiveResultEntry* EntryOfItemData(LPARAM data) const;
};
