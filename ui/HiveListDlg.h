#pragma once
// The main window: every loaded hive as a row with a tick box, sortable by any
// column, resizable with a size grip, and the Analyze and Defragment buttons
// that follow the ticks. Both run on a worker thread while the window shows
// their progress; closing the window meanwhile stops the run after the hive
// it is on. After an analysis a row's shortcut menu shows where the space of
// its hive's checked copy goes.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "compaction/CompactionRun.h"
#include "compaction/HiveAnalysis.h"
#include "compaction/RunProgress.h"
#include "profiles/ProfileHiveAnalysis.h"
#include "profiles/ProfileHiveSwap.h"
#include "profiles/ProfileList.h"
#include "ui/CheckListCtrl.h"
#include "ui/RunThread.h"
#include "ui/framework/Dialog.h"
#include "ui/logic/AfterRun.h"
#include "ui/logic/AnalysisColumn.h"
#include "ui/logic/ProfileRows.h"
#include "ui/logic/SpaceList.h"

// What the worker tells the window, as messages to it.
inline constexpr UINT kRunProgressMessage = WM_APP + 1;  // a hive's save begins
inline constexpr UINT kRunFinishedMessage = WM_APP + 2;  // the run has returned
// Sent (the worker waits): lParam points to the outcome of a run about to restart.
inline constexpr UINT kBeforeRestartMessage = WM_APP + 3;

class CHiveListDlg : public CDialog {
 public:
  explicit CHiveListDlg(CWnd* parent = nullptr);
  ~CHiveListDlg() override;

  const MessageMap* GetMessageMap() const override;
  BOOL DestroyWindow() override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  // Empties the list, then inserts one row per loaded hive, ticked unless its
  // file was not found, and after them one row per hive file of each profile
  // nobody is signed in to that Kelvaro would compact; sorts, shows the arrow
  // and refreshes Defragment once.
  void FillHiveList();
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
  void OnGetInfoTip(NMHDR* header, LRESULT* result);
  std::optional<LRESULT> OnContextMenu(WPARAM window, LPARAM point);
  void OnWhereSpaceGoes();
  void OnAnalyze();
  void OnDefragment();
  std::optional<LRESULT> OnRunProgress(WPARAM, LPARAM);
  std::optional<LRESULT> OnRunFinished(WPARAM, LPARAM);
  std::optional<LRESULT> OnBeforeRestart(WPARAM, LPARAM outcome);

  // The window ended after Windows accepted the restart: whoever ran it
  // watches whether the restart comes (uilogic::AfterRun::watchRestart).
  bool WatchRestart() const { return m_bWatchRestart; }

  // A run's state, for the handlers and the tests.
  bool RunGoing() const { return m_run.Busy(); }
  bool RunStopRequested() const { return m_run.StopRequested(); }
  // The Compact Size column's content of a row.
  uilogic::AnalysisCell AnalysisCellOf(const HiveEntry& entry) const;
  // The record behind a row, or null for a row without one.
  const HiveEntry* EntryOfRow(int row) const;
  // The profile hive a row shows, or null for a loaded hive's row.
  const uilogic::ProfileHiveRow* ProfileRowOfRow(int row) const;
  // The profiles with at least one row ticked, for Analyze and Defragment.
  std::vector<profiles::UserProfile> TickedProfiles();

  CCheckListCtrl m_list;
  int m_bShowResults = 1;
  HICON m_hIcon = nullptr;
  HICON m_hSmallIcon = nullptr;
  bool m_bGripVisible = true;
  RECT m_rcGrip{};
  bool m_bSortAscending = true;
  int m_nSortColumn = 0;
  // The records behind the rows: a row's item data is its record's index here.
  // The first m_loadedCount are the loaded hives; each one after them is the
  // entry of m_profileRows at its index less m_loadedCount.
  std::vector<std::unique_ptr<HiveEntry>> m_hives;
  std::size_t m_loadedCount = 0;
  profiles::ProfileListing m_profileListing;
  std::vector<uilogic::ProfileHiveRow> m_profileRows;
  // The last analysis, by hive name; rows not in it were not analysed.
  std::map<std::wstring, uilogic::AnalysisCell> m_analysis;
  // Where the space goes in each hive the last analysis measured, by hive name.
  std::map<std::wstring, std::vector<uilogic::SpaceListRow>> m_space;

 protected:
  void DoDataExchange(bool saveAndValidate) override;

 private:
  void InitHiveListControl();
  std::vector<CompactionRow> CurrentRows();
  // Disables what may not change during a run, starts `job` on the worker.
  void StartRun(uilogic::RunKind kind, std::function<void()> job);
  void EnableRowControls(bool enable);
  void ShowStatus(const CString& text);
  void ShowTotalGain();
  // Tells the window of each hive and asks it whether to stop, from the worker.
  RunProgress WorkerProgress();
  void ShowAnalysis();
  // Adds the Compact Size column the first time an analysis has results.
  void ShowCompactSizeColumn();
  const HiveEntry* EntryOfItemData(LPARAM data) const;
  const uilogic::ProfileHiveRow* ProfileRowOfItemData(LPARAM data) const;
  uilogic::RowKind KindOfItemData(LPARAM data) const;
  // Shows the message and ends the window as the portable rule says.
  void Conclude(const uilogic::AfterRun& after);

  CRunThread m_run;
  uilogic::RunKind m_runKind = uilogic::RunKind::kDefragment;
  bool m_bCloseRequested = false;
  bool m_bDestroying = false;
  bool m_bWatchRestart = false;
  CompactionOutcome m_defragmentOutcome;
  // Defragment with profile rows ticked: their swap, done first, and whether
  // the loaded hives' run followed it.
  bool m_bProfilesTicked = false;
  bool m_bLoadedTicked = false;
  bool m_bLoadedRan = false;
  ProfileSwapOutcome m_profileSwap;
  // The hive whose row the shortcut menu was opened on.
  std::wstring m_menuHive;
  AnalysisOutcome m_analysisOutcome;
  ProfileAnalysisOutcome m_profileAnalysis;
  // Set while the fill inserts rows: their notifications are not ticks.
  bool m_bFilling = false;
  // Written by the worker before it posts kRunProgressMessage.
  struct Progress {
    int position = 0;
    int count = 0;
    CString name;
  };
  std::mutex m_progressLock;
  Progress m_progress;
};

// Enables or disables a dialog's control, moving the focus away from a control
// about to be disabled and keeping a re-enabled default button drawn as such.
void EnableDlgControl(CDialog& dialog, int controlId, bool enable);
