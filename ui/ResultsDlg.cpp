#include "ui/ResultsDlg.h"

#include <memory>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "catalogue/SizeText.h"
#include "compaction/ProgramCopy.h"
#include "compaction/ProtectedFolders.h"
#include "compaction/RestoreRun.h"
#include "compaction/RunRecordFile.h"
#include "compaction/ResumeRegistration.h"
#include "results/ResultsReview.h"
#include "ui/SortableList.h"
#include "ui/WindowChrome.h"
#include "ui/WindowDpi.h"
#include "ui/framework/DataExchange.h"
#include "ui/framework/Resources.h"
#include "ui/framework/WinApp.h"
#include "ui/logic/AnalysisColumn.h"
#include "ui/logic/ColumnWidths.h"
#include "ui/logic/LostWritesText.h"
#include "ui/logic/RunReport.h"
#include "ui/logic/SortRules.h"
#include "ui/res/resource.h"

namespace {
const MessageMapEntry kEntries[] = {
    {WM_SYSCOMMAND, 0, 0, &CallRaw<CResultsDlg, &CResultsDlg::OnSysCommand>},
    {WM_PAINT, 0, 0, &CallVoid<CResultsDlg, &CResultsDlg::OnPaint>},
    {WM_QUERYDRAGICON, 0, 0, &CallRaw<CResultsDlg, &CResultsDlg::OnQueryDragIcon>},
    {WM_NOTIFY, LVN_COLUMNCLICK, IDC_RESULTS_LIST,
     &CallNotify<CResultsDlg, &CResultsDlg::OnColumnClick>},
    {WM_COMMAND, BN_CLICKED, IDC_PUT_BACK, &CallVoid<CResultsDlg, &CResultsDlg::OnPutBack>},
};

}  // namespace

CResultsDlg::CResultsDlg(CWnd* parent)
    : CDialog(IDD_RESULTS_DIALOG, parent),
      m_hIcon(LoadAppIcon(false)),
      m_hSmallIcon(LoadAppIcon(true)) {}

CResultsDlg::~CResultsDlg() { DestroyAppIcons(m_hIcon, m_hSmallIcon); }

const MessageMap* CResultsDlg::GetMessageMap() const {
  static const MessageMap map = {CDialog::GetMessageMap(), kEntries, std::size(kEntries)};
  return &map;
}

void CResultsDlg::DoDataExchange(bool saveAndValidate) {
  DDX_Control(*this, saveAndValidate, IDC_RESULTS_LIST, m_list);
  DDX_Check(*this, saveAndValidate, IDC_DELETE_BACKUP, m_bDeleteBackup);
}

BOOL CResultsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowIcons(m_hWnd, m_hIcon, m_hSmallIcon);
  AddAboutMenuEntry(m_hWnd);
  // Removed first, so the results are offered once whatever happens next.
  UnregisterResultsOnRestart();
  if (std::optional<CPathName> windowsFolder = SystemWindowsFolder()) {
    RemoveEarlierRunFolders(*windowsFolder);
  }
  RemoveProgramCopyAtRestart();
  m_run = ReviewLastRun();
  InitResultsListControl();
  FillResultsList();
  ShowLostWrites();
  return TRUE;
}

void CResultsDlg::ShowLostWrites() {
  m_lostWrites.reset();
  if (std::optional<CPathName> windowsFolder = SystemWindowsFolder()) {
    if (std::optional<int> run = RunToReview(*windowsFolder)) {
      m_lostWrites = ReportLostWrites(RunRecordPath(*windowsFolder, *run));
    }
  }
  CString details;
  if (m_lostWrites) {
    details = uilogic::LostWritesDetails(*m_lostWrites, LoadResourceString, FormatSizeKB);
  }
  ::SetDlgItemTextW(m_hWnd, IDC_LOST_WRITES, details);
  ::EnableWindow(GetDlgItem(IDC_PUT_BACK),
                 m_lostWrites && uilogic::HiveToPutBack(*m_lostWrites, CString()) != nullptr);
}

void CResultsDlg::OnPutBack() {
  if (!m_lostWrites) return;
  CString selected;
  const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
  if (const HiveResultEntry* entry =
          row >= 0 ? EntryOfItemData(m_list.GetItemData(row)) : nullptr) {
    selected = entry->name;
  }
  const HiveLostWrites* hive = uilogic::HiveToPutBack(*m_lostWrites, selected);
  if (hive == nullptr) return;
  const CString name(hive->name.c_str());
  if (KelvaroMessageBox(
          m_hWnd, uilogic::FillPlaceholders(LoadResourceString(IDS_PUT_BACK_PREVIOUS), {name}),
          MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
    return;
  }
  // The restore by the last run's record, for this one hive.
  if (!m_run) return;
  HiveEntry entry;
  entry.name = name;
  entry.path.SetPath(hive->liveFile.c_str());
  entry.size = hive->liveSizeNow;
  const RestoreOutcome outcome = RestoreRunBackups(m_run->number, {CompactionRow{&entry, true}},
                                                   false, LoadResourceString(IDS_SHUTDOWN_MESSAGE));
  CString said = LoadResourceString(IDS_SWAPS_WAIT);
  if (outcome.scheduled == 0) {
    said = name + L": " +
           LoadResourceString(outcome.notScheduled.empty()
                                  ? IDS_REASON_NOT_ACCEPTED
                                  : uilogic::ReasonString(outcome.notScheduled.front().reason));
  }
  KelvaroMessageBox(m_hWnd, said,
                    MB_OK | (outcome.scheduled > 0 ? MB_ICONINFORMATION : MB_ICONERROR));
}

void CResultsDlg::InitResultsListControl() {
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR16 | ILC_MASK, 1, 0);
  auto picture = static_cast<HBITMAP>(::LoadImageW(
      AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDB_HIVE_SMALL), IMAGE_BITMAP, 0, 0, 0));
  if (images != nullptr && picture != nullptr)
    ::ImageList_AddMasked(images, picture, RGB(255, 0, 255));
  if (picture != nullptr) ::DeleteObject(picture);
  m_list.SetImageList(images, LVSIL_SMALL);
  RECT client{};
  ::GetClientRect(m_list.m_hWnd, &client);
  auto widths = uilogic::ResultsListColumnWidths(
      client.right - client.left, ::GetSystemMetrics(SM_CXVSCROLL), WindowDpi(m_hWnd));
  m_list.InsertColumn(0, LoadResourceString(IDS_COLUMN_HIVE), LVCFMT_LEFT, widths[0]);
  m_list.InsertColumn(1, LoadResourceString(IDS_COLUMN_PREVIOUS_SIZE), LVCFMT_RIGHT, widths[1]);
  m_list.InsertColumn(2, LoadResourceString(IDS_COLUMN_CURRENT_SIZE), LVCFMT_RIGHT, widths[2]);
  ShowSortArrow(true);
}

BOOL CResultsDlg::DestroyWindow() {
  if (m_bDeleteBackup != 0 && m_list.m_hWnd != nullptr) {
    std::vector<const HiveResultEntry*> listed;
    for (int index = 0; index < m_list.GetItemCount(); ++index) {
      if (const HiveResultEntry* entry = EntryOfItemData(m_list.GetItemData(index))) {
        listed.push_back(entry);
      }
    }
    if (m_run) RemoveRunBackup(listed, *m_run);
  }
  FreeResultRows();
  return CDialog::DestroyWindow();
}

// The rows go before the records they name.
void CResultsDlg::FreeResultRows() {
  if (m_list.m_hWnd != nullptr) m_list.DeleteAllItems();
  m_results.clear();
}

const HiveResultEntry* CResultsDlg::EntryOfItemData(LPARAM data) const {
  return RecordOfItemData(m_results, data);
}

void CResultsDlg::SortRows() {
  m_list.SortItems(&CResultsDlg::CompareResultRows, reinterpret_cast<LPARAM>(this));
}

int CALLBACK CResultsDlg::CompareResultRows(LPARAM first, LPARAM second, LPARAM context) {
  auto* dialog = reinterpret_cast<CResultsDlg*>(context);
  const HiveResultEntry* a = dialog->EntryOfItemData(first);
  const HiveResultEntry* b = dialog->EntryOfItemData(second);
  if (a == nullptr || b == nullptr) return 0;
  return uilogic::CompareResultRows(*a, *b, {dialog->m_nSortColumn, dialog->m_bSortAscending});
}

void CResultsDlg::ShowSortArrow(bool show) {
  ShowHeaderSortArrow(m_list, m_nSortColumn, m_bSortAscending, show);
}

std::optional<LRESULT> CResultsDlg::OnSysCommand(WPARAM id, LPARAM) { return RunAboutCommand(id); }

void CResultsDlg::OnPaint() {
  if (PaintMinimizedIcon(m_hWnd, m_hIcon)) return;
  ::DefWindowProcW(m_hWnd, WM_PAINT, 0, 0);
}

std::optional<LRESULT> CResultsDlg::OnQueryDragIcon(WPARAM, LPARAM) {
  return reinterpret_cast<LRESULT>(m_hSmallIcon);
}

void CResultsDlg::OnColumnClick(NMHDR* header, LRESULT* result) {
  SortByClickedColumn(*this, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
  *result = 0;
}

void CResultsDlg::FillResultsList() {
  RefillSortedList(*this, m_list, [this] {
    FreeResultRows();
    if (!m_run) return;
    m_results = CollectResults(m_run->backupFolder);
    int position = 0;
    for (std::size_t index = 0; index < m_results.size(); ++index) {
      const HiveResultEntry& entry = *m_results[index];
      const int inserted =
          m_list.InsertItem(position, entry.name, static_cast<LPARAM>(index), 0, 0);
      if (inserted < 0) continue;
      position = inserted;
      m_list.SetItemText(inserted, 1, FormatSizeKB(entry.previousSize));
      m_list.SetItemText(inserted, 2, FormatSizeKB(entry.currentSize));
    }
  });
}
