#include "ui/HiveListDlg.h"

#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "catalogue/HiveList.h"
#include "catalogue/HiveRecords.h"
#include "catalogue/SizeText.h"
#include "compaction/CompactionRun.h"
#include "ui/SortableList.h"
#include "ui/SpaceDlg.h"
#include "ui/WindowChrome.h"
#include "ui/WindowDpi.h"
#include "ui/framework/DataExchange.h"
#include "ui/framework/PopupMenu.h"
#include "ui/framework/Resources.h"
#include "ui/framework/WinApp.h"
#include "ui/logic/ColumnWidths.h"
#include "ui/logic/DefragmentRules.h"
#include "ui/logic/MainLayout.h"
#include "ui/logic/ProfileSwapSeam.h"
#include "ui/logic/SortRules.h"
#include "ui/logic/TickRules.h"
#include "ui/logic/RunReport.h"
#include "ui/res/resource.h"

namespace {

const MessageMapEntry kEntries[] = {
    {WM_SYSCOMMAND, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnSysCommand>},
    {WM_SYSCOLORCHANGE, 0, 0, &CallVoid<CHiveListDlg, &CHiveListDlg::OnSysColorChange>},
    {WM_PAINT, 0, 0, &CallVoid<CHiveListDlg, &CHiveListDlg::OnPaint>},
    {WM_QUERYDRAGICON, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnQueryDragIcon>},
    {WM_NCHITTEST, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnNcHitTest>},
    {WM_GETMINMAXINFO, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnGetMinMaxInfo>},
    {WM_SIZE, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnSize>},
    {WM_NOTIFY, LVN_COLUMNCLICK, IDC_HIVE_LIST,
     &CallNotify<CHiveListDlg, &CHiveListDlg::OnColumnClick>},
    {WM_NOTIFY, LVN_ITEMCHANGED, IDC_HIVE_LIST,
     &CallNotify<CHiveListDlg, &CHiveListDlg::OnItemChanged>},
    {WM_NOTIFY, LVN_GETINFOTIP, IDC_HIVE_LIST,
     &CallNotify<CHiveListDlg, &CHiveListDlg::OnGetInfoTip>},
    {WM_COMMAND, BN_CLICKED, IDC_DEFRAGMENT, &CallVoid<CHiveListDlg, &CHiveListDlg::OnDefragment>},
    {WM_COMMAND, BN_CLICKED, IDC_ANALYZE, &CallVoid<CHiveListDlg, &CHiveListDlg::OnAnalyze>},
    {WM_CONTEXTMENU, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnContextMenu>},
    // A menu's command comes with code 0.
    {WM_COMMAND, 0, ID_WHERE_SPACE_GOES, &CallVoid<CHiveListDlg, &CHiveListDlg::OnWhereSpaceGoes>},
    {kRunProgressMessage, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnRunProgress>},
    {kRunFinishedMessage, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnRunFinished>},
    {kBeforeRestartMessage, 0, 0, &CallRaw<CHiveListDlg, &CHiveListDlg::OnBeforeRestart>},
};

uilogic::Rect ToRect(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// A child's rectangle in its parent's client coordinates.
uilogic::Rect ChildRect(HWND parent, HWND child) {
  RECT rect{};
  ::GetWindowRect(child, &rect);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return ToRect(rect);
}

// Measured once per process from the template's own layout, then kept.
struct KeptMetrics {
  bool measured = false;
  uilogic::LayoutMetrics metrics;
};
KeptMetrics g_layout;

// Measures the margins and Cancel's size the first time the window is shown,
// before anything has moved its controls.
void MeasureLayoutOnce(HWND window) {
  if (g_layout.measured) return;
  g_layout.metrics =
      uilogic::MeasureLayoutMetrics(ChildRect(window, ::GetDlgItem(window, IDC_HIVE_LIST)),
                                    ChildRect(window, ::GetDlgItem(window, IDCANCEL)));
  g_layout.measured = true;
}

}  // namespace

CHiveListDlg::CHiveListDlg(CWnd* parent)
    : CDialog(IDD_HIVELIST_DIALOG, parent),
      m_hIcon(LoadAppIcon(false)),
      m_hSmallIcon(LoadAppIcon(true)) {}

CHiveListDlg::~CHiveListDlg() { DestroyAppIcons(m_hIcon, m_hSmallIcon); }

const MessageMap* CHiveListDlg::GetMessageMap() const {
  static const MessageMap map = {CDialog::GetMessageMap(), kEntries, std::size(kEntries)};
  return &map;
}

void CHiveListDlg::DoDataExchange(bool saveAndValidate) {
  DDX_Control(*this, saveAndValidate, IDC_HIVE_LIST, m_list);
  DDX_Check(*this, saveAndValidate, IDC_SHOW_RESULTS, m_bShowResults);
}

BOOL CHiveListDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowIcons(m_hWnd, m_hIcon, m_hSmallIcon);
  AddAboutMenuEntry(m_hWnd);
  InitHiveListControl();
  FillHiveList();
  UpdateDefragmentButton();
  return TRUE;
}

void CHiveListDlg::InitHiveListControl() {
  // The info tip gives a refused row's whole reason, which the column only names.
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP,
                          LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  HIMAGELIST ticks =
      ::ImageList_LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDB_CHECKBOXES), 15, 2,
                             RGB(0, 128, 128), IMAGE_BITMAP, 0);
  m_list.SetImageList(ticks, LVSIL_STATE);
  RECT client{};
  ::GetClientRect(m_list.m_hWnd, &client);
  auto widths = uilogic::HiveListColumnWidths(client.right - client.left,
                                              ::GetSystemMetrics(SM_CXVSCROLL), WindowDpi(m_hWnd));
  m_list.InsertColumn(0, LoadResourceString(IDS_COLUMN_HIVE), LVCFMT_LEFT, widths[0]);
  m_list.InsertColumn(1, LoadResourceString(IDS_COLUMN_FILENAME), LVCFMT_LEFT, widths[1]);
  m_list.InsertColumn(2, LoadResourceString(IDS_COLUMN_SIZE), LVCFMT_RIGHT, widths[2]);
  ShowSortArrow(true);
}

void CHiveListDlg::FillHiveList() {
  // Inserting rows notifies like ticking them; one recount at the end does.
  m_bFilling = true;
  RefillSortedList(*this, m_list, [this] {
    FreeHiveRows();
    m_hives = CollectHives();
    m_loadedCount = m_hives.size();
    m_profileListing = profiles::FindProfiles();
    m_profileRows = uilogic::ProfileHiveRows(m_profileListing, LoadResourceString);
    for (const uilogic::ProfileHiveRow& row : m_profileRows) {
      m_hives.push_back(std::make_unique<HiveEntry>(row.entry));
    }
    m_list.SetItemCount(static_cast<int>(m_hives.size()));
    int position = 0;
    for (std::size_t index = 0; index < m_hives.size(); ++index) {
      const HiveEntry& entry = *m_hives[index];
      const bool ticked = index < m_loadedCount ? StartsTicked(entry)
                                                : uilogic::ProfileRowStartsTicked(
                                                      m_profileRows[index - m_loadedCount],
                                                      uilogic::kProfileSwapWired);
      const int inserted = m_list.InsertItem(position, entry.name, static_cast<LPARAM>(index),
                                             uilogic::StateForTick(ticked));
      if (inserted < 0) continue;
      position = inserted;
      CPathString text = entry.path.GetText();
      m_list.SetItemText(inserted, uilogic::kFileNameColumn,
                         text.IsEmpty() ? L"" : text.GetBuffer());
      m_list.SetItemText(inserted, uilogic::kSizeColumn, FormatSizeKB(entry.size));
    }
  });
  m_bFilling = false;
  UpdateDefragmentButton();
}

void CHiveListDlg::ShowCompactSizeColumn() {
  HWND header = m_list.GetHeaderCtrl();
  if (Header_GetItemCount(header) > uilogic::kCompactSizeColumn) return;
  RECT client{};
  ::GetClientRect(m_list.m_hWnd, &client);
  auto widths = uilogic::AnalysedHiveListColumnWidths(
      client.right - client.left, ::GetSystemMetrics(SM_CXVSCROLL), WindowDpi(m_hWnd));
  m_list.InsertColumn(uilogic::kCompactSizeColumn, LoadResourceString(IDS_COLUMN_COMPACT_SIZE),
                      LVCFMT_RIGHT, widths[uilogic::kCompactSizeColumn]);
  for (int column = uilogic::kHiveColumn; column < uilogic::kCompactSizeColumn; ++column) {
    m_list.SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                       MAKELPARAM(widths[static_cast<std::size_t>(column)], 0));
  }
}

void CHiveListDlg::OnOK() {}

BOOL CHiveListDlg::DestroyWindow() {
  // The worker reads the rows' records: they go only after it has returned.
  if (m_run.Busy()) {
    m_bDestroying = true;
    m_run.RequestStop();
    std::exception_ptr failure = m_run.Collect();
    if (failure) GuardHandler(m_hWnd, [&failure] { std::rethrow_exception(failure); });
  }
  FreeHiveRows();
  return CDialog::DestroyWindow();
}

// The rows go before the records they name.
void CHiveListDlg::FreeHiveRows() {
  if (m_list.m_hWnd != nullptr) m_list.DeleteAllItems();
  m_hives.clear();
  m_loadedCount = 0;
  m_profileRows.clear();
  m_profileListing = {};
}

const HiveEntry* CHiveListDlg::EntryOfItemData(LPARAM data) const {
  return RecordOfItemData(m_hives, data);
}

const HiveEntry* CHiveListDlg::EntryOfRow(int row) const {
  return EntryOfItemData(m_list.GetItemData(row));
}

const uilogic::ProfileHiveRow* CHiveListDlg::ProfileRowOfItemData(LPARAM data) const {
  if (data < 0 || static_cast<std::size_t>(data) < m_loadedCount) return nullptr;
  const std::size_t index = static_cast<std::size_t>(data) - m_loadedCount;
  return index < m_profileRows.size() ? &m_profileRows[index] : nullptr;
}

const uilogic::ProfileHiveRow* CHiveListDlg::ProfileRowOfRow(int row) const {
  return ProfileRowOfItemData(m_list.GetItemData(row));
}

uilogic::RowKind CHiveListDlg::KindOfItemData(LPARAM data) const {
  return ProfileRowOfItemData(data) != nullptr ? uilogic::RowKind::kProfileHive
                                               : uilogic::RowKind::kLoadedHive;
}

std::vector<profiles::UserProfile> CHiveListDlg::TickedProfiles() {
  std::vector<bool> ticked(m_profileListing.profiles.size(), false);
  for (int index = 0; index < m_list.GetItemCount(); ++index) {
    const uilogic::ProfileHiveRow* row = ProfileRowOfRow(index);
    if (row != nullptr &&
        m_list.GetItemState(index, uilogic::kStateImageMask) == uilogic::kStateTicked) {
      ticked[row->profile] = true;
    }
  }
  std::vector<profiles::UserProfile> profiles;
  for (std::size_t index = 0; index < ticked.size(); ++index) {
    if (ticked[index]) profiles.push_back(m_profileListing.profiles[index]);
  }
  return profiles;
}

void CHiveListDlg::SortRows() {
  m_list.SortItems(&CHiveListDlg::CompareHiveRows, reinterpret_cast<LPARAM>(this));
}

int CALLBACK CHiveListDlg::CompareHiveRows(LPARAM first, LPARAM second, LPARAM context) {
  auto* dialog = reinterpret_cast<CHiveListDlg*>(context);
  const HiveEntry* a = dialog->EntryOfItemData(first);
  const HiveEntry* b = dialog->EntryOfItemData(second);
  if (a == nullptr || b == nullptr) return 0;
  const int withinKind =
      dialog->m_nSortColumn == uilogic::kCompactSizeColumn
          ? uilogic::CompareAnalysisCells(dialog->AnalysisCellOf(*a), dialog->AnalysisCellOf(*b),
                                          dialog->m_bSortAscending)
          : uilogic::CompareHiveRows(*a, *b, {dialog->m_nSortColumn, dialog->m_bSortAscending});
  return uilogic::CompareByKindFirst(dialog->KindOfItemData(first), dialog->KindOfItemData(second),
                                     withinKind);
}

uilogic::AnalysisCell CHiveListDlg::AnalysisCellOf(const HiveEntry& entry) const {
  auto found = m_analysis.find(entry.name.str());
  return found == m_analysis.end() ? uilogic::AnalysisCell{} : found->second;
}

void CHiveListDlg::ShowSortArrow(bool show) {
  ShowHeaderSortArrow(m_list, m_nSortColumn, m_bSortAscending, show);
}

void CHiveListDlg::UpdateDefragmentButton() {
  UpdateData(TRUE);
  int ticked = m_list.CountRowsWithState(uilogic::kStateTicked);
  const bool enable = uilogic::DefragmentEnabled(ticked) && !m_run.Busy();
  EnableDlgControl(*this, IDC_ANALYZE, enable);
  EnableDlgControl(*this, IDC_DEFRAGMENT, enable);
  if (!m_run.Busy()) ShowTotalGain();
}

void CHiveListDlg::ShowStatus(const CString& text) {
  ::SetDlgItemTextW(m_hWnd, IDC_STATUS_LINE, text.GetString());
}

void CHiveListDlg::ShowTotalGain() {
  if (m_analysis.empty()) return;
  std::vector<uilogic::AnalysisCell> ticked;
  for (int index = 0; index < m_list.GetItemCount(); ++index) {
    const HiveEntry* entry = EntryOfRow(index);
    if (entry != nullptr &&
        m_list.GetItemState(index, uilogic::kStateImageMask) == uilogic::kStateTicked) {
      ticked.push_back(AnalysisCellOf(*entry));
    }
  }
  ShowStatus(uilogic::TotalGainText(ticked, LoadResourceString));
}

void EnableDlgControl(CDialog& dialog, int controlId, bool enable) {
  HWND control = dialog.GetDlgItem(controlId);
  if (uilogic::MoveFocusBeforeChange(enable, ::GetFocus() == control)) {
    dialog.SendMessage(WM_NEXTDLGCTL, 0, 0);
  }
  ::EnableWindow(control, enable ? TRUE : FALSE);
  auto defaultId = static_cast<std::uint32_t>(dialog.SendMessage(DM_GETDEFID));
  if (uilogic::ReassertDefaultButton(enable, defaultId, controlId)) {
    dialog.SendMessage(DM_SETDEFID, static_cast<WPARAM>(controlId));
  }
}

std::optional<LRESULT> CHiveListDlg::OnSysCommand(WPARAM id, LPARAM) { return RunAboutCommand(id); }

void CHiveListDlg::OnSysColorChange() {
  m_list.SendMessage(WM_SYSCOLORCHANGE);
  ShowSortArrow(true);
}

void CHiveListDlg::OnPaint() {
  if (PaintMinimizedIcon(m_hWnd, m_hIcon)) return;
  ::DefWindowProcW(m_hWnd, WM_PAINT, 0, 0);
  if (!m_bGripVisible) return;
  RECT client{};
  ::GetClientRect(m_hWnd, &client);
  uilogic::Rect grip = uilogic::GripRect(ToRect(client), ::GetSystemMetrics(SM_CXHSCROLL),
                                         ::GetSystemMetrics(SM_CYVSCROLL));
  m_rcGrip = RECT{grip.left, grip.top, grip.right, grip.bottom};
  HDC dc = ::GetDC(m_hWnd);
  ::DrawFrameControl(dc, &m_rcGrip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  ::ReleaseDC(m_hWnd, dc);
  ::InvalidateRect(GetDlgItem(IDCANCEL), nullptr, TRUE);
}

std::optional<LRESULT> CHiveListDlg::OnQueryDragIcon(WPARAM, LPARAM) {
  return reinterpret_cast<LRESULT>(m_hSmallIcon);
}

std::optional<LRESULT> CHiveListDlg::OnNcHitTest(WPARAM wParam, LPARAM point) {
  auto answer = static_cast<int>(::DefWindowProcW(m_hWnd, WM_NCHITTEST, wParam, point));
  RECT window{};
  ::GetWindowRect(m_hWnd, &window);
  return uilogic::SizeGripHitTest(
      answer, m_bGripVisible, ToRect(window), {GET_X_LPARAM(point), GET_Y_LPARAM(point)},
      ::GetSystemMetrics(SM_CXHSCROLL), ::GetSystemMetrics(SM_CYVSCROLL));
}

std::optional<LRESULT> CHiveListDlg::OnGetMinMaxInfo(WPARAM, LPARAM info) {
  auto* limits = reinterpret_cast<MINMAXINFO*>(info);
  const int dpi = WindowDpi(m_hWnd);
  const uilogic::WindowSize minimum = uilogic::MainWindowMinimumSize(dpi);
  limits->ptMinTrackSize.x = minimum.width;
  // Once shown, the buttons' row decides how narrow the window may get.
  if (::IsWindowVisible(m_hWnd) && GetDlgItem(IDC_ANALYZE) != nullptr) {
    MeasureLayoutOnce(m_hWnd);
    RECT window{};
    RECT client{};
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    uilogic::MainControls current{};
    current.checkBox = ChildRect(m_hWnd, GetDlgItem(IDC_SHOW_RESULTS));
    current.defragment = ChildRect(m_hWnd, GetDlgItem(IDC_DEFRAGMENT));
    current.analyze = ChildRect(m_hWnd, GetDlgItem(IDC_ANALYZE));
    limits->ptMinTrackSize.x = uilogic::MinimumWindowWidth(
        g_layout.metrics, current, (window.right - window.left) - (client.right - client.left),
        dpi);
  }
  limits->ptMinTrackSize.y = minimum.height;
  return std::nullopt;  // the default processing runs on
}

std::optional<LRESULT> CHiveListDlg::OnSize(WPARAM type, LPARAM size) {
  if (!::IsWindowVisible(m_hWnd)) return 0;
  HWND list = GetDlgItem(IDC_HIVE_LIST);
  HWND check = GetDlgItem(IDC_SHOW_RESULTS);
  HWND defragment = GetDlgItem(IDC_DEFRAGMENT);
  HWND cancel = GetDlgItem(IDCANCEL);
  HWND analyze = GetDlgItem(IDC_ANALYZE);
  HWND statusLine = GetDlgItem(IDC_STATUS_LINE);
  MeasureLayoutOnce(m_hWnd);
  m_bGripVisible = uilogic::GripVisibleAfterSize(static_cast<std::uint32_t>(type));
  ::InvalidateRect(m_hWnd, &m_rcGrip, TRUE);

  uilogic::MainControls current{ChildRect(m_hWnd, list),       ChildRect(m_hWnd, check),
                                ChildRect(m_hWnd, defragment), ChildRect(m_hWnd, cancel),
                                ChildRect(m_hWnd, analyze),    ChildRect(m_hWnd, statusLine)};
  uilogic::MainLayout layout =
      uilogic::LayOutMainWindow(g_layout.metrics, current, LOWORD(size), HIWORD(size));
  constexpr UINT kKeepOrder = SWP_NOZORDER | SWP_NOOWNERZORDER;
  HDWP batch = ::BeginDeferWindowPos(6);
  if (batch != nullptr)
    batch = ::DeferWindowPos(batch, list, nullptr, 0, 0, layout.listWidth, layout.listHeight,
                             kKeepOrder | SWP_NOMOVE);
  if (batch != nullptr)
    batch = ::DeferWindowPos(batch, check, nullptr, layout.checkBox.x, layout.checkBox.y, 0, 0,
                             kKeepOrder | SWP_NOSIZE);
  if (batch != nullptr)
    batch = ::DeferWindowPos(batch, defragment, nullptr, layout.defragment.x, layout.defragment.y,
                             0, 0, kKeepOrder | SWP_NOSIZE);
  if (batch != nullptr)
    batch = ::DeferWindowPos(batch, cancel, nullptr, layout.cancel.x, layout.cancel.y, 0, 0,
                             kKeepOrder | SWP_NOSIZE);
  if (batch != nullptr)
    batch = ::DeferWindowPos(batch, analyze, nullptr, layout.analyze.x, layout.analyze.y, 0, 0,
                             kKeepOrder | SWP_NOSIZE);
  if (batch != nullptr)
    batch = ::DeferWindowPos(batch, statusLine, nullptr, layout.statusLine.x, layout.statusLine.y,
                             layout.statusLineWidth, current.statusLine.Height(), kKeepOrder);
  if (batch != nullptr) ::EndDeferWindowPos(batch);
  return 0;
}

void CHiveListDlg::OnColumnClick(NMHDR* header, LRESULT* result) {
  *result = 0;
  // Sorting by path asks the platform, which is the worker's during a run.
  if (m_run.Busy()) return;
  SortByClickedColumn(*this, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
}

void CHiveListDlg::OnItemChanged(NMHDR* header, LRESULT* result) {
  *result = 0;
  if (m_bFilling) return;
  const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
  if (uilogic::TickMayHaveChanged(change->uChanged, change->uOldState, change->uNewState)) {
    UpdateDefragmentButton();
  }
}

void CHiveListDlg::OnGetInfoTip(NMHDR* header, LRESULT* result) {
  *result = 0;
  auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
  if (tip->pszText == nullptr || tip->cchTextMax <= 0) return;
  const HiveEntry* entry = EntryOfRow(tip->iItem);
  if (entry == nullptr) return;
  // A profile row names whose profile it is; a refused row gives the whole reason.
  std::wstring text;
  if (const uilogic::ProfileHiveRow* profile = ProfileRowOfRow(tip->iItem)) {
    text = uilogic::ProfileRowTip(*profile, LoadResourceString).str();
  }
  const uilogic::AnalysisCell cell = AnalysisCellOf(*entry);
  if (cell.kind == uilogic::AnalysisCell::Kind::kRefused) {
    if (!text.empty()) text += L"\n";
    text += LoadResourceString(uilogic::ReasonString(cell.reason)).str();
  }
  if (text.empty()) return;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(tip->cchTextMax) - 1);
  std::copy_n(text.begin(), length, tip->pszText);
  tip->pszText[length] = L'\0';
}

std::optional<LRESULT> CHiveListDlg::OnContextMenu(WPARAM window, LPARAM point) {
  if (reinterpret_cast<HWND>(window) != m_list.m_hWnd || m_run.Busy()) return std::nullopt;
  POINT at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  int row = -1;
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: the selected row, the menu below its label.
    row = m_list.GetNextItem(-1, LVNI_SELECTED);
    RECT label{};
    label.left = LVIR_LABEL;
    if (row < 0 || !m_list.SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(row),
                                       reinterpret_cast<LPARAM>(&label)))
      return 0;
    at = POINT{label.left, label.bottom};
    ::ClientToScreen(m_list.m_hWnd, &at);
  } else {
    POINT client = at;
    ::ScreenToClient(m_list.m_hWnd, &client);
    row = m_list.HitTest(client, nullptr);
  }
  const HiveEntry* entry = row >= 0 ? EntryOfRow(row) : nullptr;
  if (entry == nullptr) return 0;
  auto found = m_space.find(entry->name.str());
  m_menuHive = entry->name.str();
  CPopupMenu menu;
  menu.AppendCommand(ID_WHERE_SPACE_GOES, LoadResourceString(IDS_WHERE_SPACE_GOES),
                     found != m_space.end() && !found->second.empty());
  menu.Track(m_hWnd, at);
  return 0;
}

void CHiveListDlg::OnWhereSpaceGoes() {
  auto found = m_space.find(m_menuHive);
  if (m_run.Busy() || found == m_space.end() || found->second.empty()) return;
  CSpaceDlg space(this);
  space.m_hiveName = m_menuHive;
  space.m_rows = found->second;
  space.DoModal();
}

std::vector<CompactionRow> CHiveListDlg::CurrentRows() {
  std::vector<CompactionRow> rows;
  for (int index = 0; index < m_list.GetItemCount(); ++index) {
    if (ProfileRowOfRow(index) != nullptr) continue;  // not a loaded hive
    rows.push_back({EntryOfRow(index),
                    m_list.GetItemState(index, uilogic::kStateImageMask) == uilogic::kStateTicked});
  }
  return rows;
}

void CHiveListDlg::EnableRowControls(bool enable) {
  EnableDlgControl(*this, IDC_HIVE_LIST, enable);
  EnableDlgControl(*this, IDC_SHOW_RESULTS, enable);
}

void CHiveListDlg::StartRun(uilogic::RunKind kind, std::function<void()> job) {
  m_runKind = kind;
  m_bCloseRequested = false;
  if (!m_run.Start(std::move(job), m_hWnd, kRunFinishedMessage)) return;
  EnableRowControls(false);
  UpdateDefragmentButton();
}

void CHiveListDlg::OnCancel() {
  if (!m_run.Busy()) {
    CDialog::OnCancel();
    return;
  }
  // The window closes once the hive being saved is finished (OnRunFinished).
  m_bCloseRequested = true;
  m_run.RequestStop();
  ShowStatus(LoadResourceString(IDS_PROGRESS_STOPPING));
}

std::optional<LRESULT> CHiveListDlg::OnRunProgress(WPARAM, LPARAM) {
  if (m_bCloseRequested || !m_run.Busy()) return 0;
  Progress now;
  {
    std::lock_guard<std::mutex> lock(m_progressLock);
    now = m_progress;
  }
  ShowStatus(
      uilogic::ProgressText(m_runKind, now.position, now.count, now.name, LoadResourceString));
  return 0;
}

std::optional<LRESULT> CHiveListDlg::OnBeforeRestart(WPARAM, LPARAM outcome) {
  if (m_bDestroying) return 0;
  // The profiles done without a restart are named before it, with the hives left alone.
  CString report = uilogic::ProfileSwapReportText(m_profileSwap, LoadResourceString);
  const CString loaded = uilogic::RunReportText(
      *reinterpret_cast<const CompactionOutcome*>(outcome), LoadResourceString);
  if (!report.IsEmpty() && !loaded.IsEmpty()) report += L"\r\n\r\n";
  report += loaded;
  if (!report.IsEmpty()) KelvaroMessageBox(m_hWnd, report, MB_OK | MB_ICONINFORMATION);
  return 0;
}

std::optional<LRESULT> CHiveListDlg::OnRunFinished(WPARAM, LPARAM) {
  if (!m_run.Busy()) return 0;  // already collected while the window was destroyed
  std::exception_ptr failure = m_run.Collect();
  EnableRowControls(true);
  ShowStatus(CString());
  if (failure) {
    UpdateDefragmentButton();
    if (m_bCloseRequested) CDialog::OnCancel();
    std::rethrow_exception(failure);  // reported by the handler's guard
  }
  if (m_runKind == uilogic::RunKind::kAnalyze && !m_bCloseRequested) ShowAnalysis();
  UpdateDefragmentButton();
  if (m_runKind == uilogic::RunKind::kAnalyze) {
    Conclude(uilogic::AfterAnalysis(m_analysisOutcome, m_bCloseRequested, LoadResourceString));
  } else if (!m_bProfilesTicked) {
    Conclude(uilogic::AfterDefragment(m_defragmentOutcome, m_bCloseRequested, LoadResourceString));
  } else {
    const uilogic::AfterRun after = uilogic::AfterProfileDefragment(
        m_profileSwap, m_bLoadedRan ? &m_defragmentOutcome : nullptr, m_bLoadedTicked,
        m_bCloseRequested, LoadResourceString);
    // Swapped profile files have new sizes: the list is read again.
    if (after.end == uilogic::AfterRun::End::kStayOpen && m_profileSwap.Swapped() > 0) {
      FillHiveList();
    }
    Conclude(after);
  }
  return 0;
}

void CHiveListDlg::Conclude(const uilogic::AfterRun& after) {
  if (!after.message.IsEmpty()) {
    KelvaroMessageBox(m_hWnd, after.message,
                      MB_OK | (after.icon == uilogic::AfterRun::Icon::kError ? MB_ICONERROR
                                                                             : MB_ICONINFORMATION));
  }
  m_bWatchRestart = after.watchRestart;
  if (after.end == uilogic::AfterRun::End::kEndOk) EndDialog(IDOK);
  if (after.end == uilogic::AfterRun::End::kEndCancel) CDialog::OnCancel();
}

RunProgress CHiveListDlg::WorkerProgress() {
  const HWND window = m_hWnd;
  RunProgress progress;
  progress.hiveStarting = [this, window](int position, int count, const CString& name) {
    {
      std::lock_guard<std::mutex> lock(m_progressLock);
      m_progress = Progress{position, count, name};
    }
    ::PostMessageW(window, kRunProgressMessage, 0, 0);
  };
  progress.stopRequested = [this] { return m_run.StopRequested(); };
  return progress;
}

void CHiveListDlg::OnAnalyze() {
  if (m_run.Busy()) return;
  StartRun(uilogic::RunKind::kAnalyze,
           [this, rows = CurrentRows(), profiles = TickedProfiles(), progress = WorkerProgress()] {
             m_analysisOutcome = AnalyzeHives(rows, progress);
             m_profileAnalysis = {};
             if (profiles.empty() || m_analysisOutcome.stoppedAt != StoppedAt::kNothing ||
                 m_analysisOutcome.stopped || StopRequested(progress)) {
               return;
             }
             m_profileAnalysis = AnalyzeProfileHives(profiles);
             // A folder that stopped the profiles' analysis is told as the hives' would be.
             m_analysisOutcome.stoppedAt = m_profileAnalysis.stoppedAt;
           });
}

// The column tells one analysis: the latest replaces what an earlier one said.
void CHiveListDlg::ShowAnalysis() {
  if (m_analysisOutcome.stoppedAt != StoppedAt::kNothing || m_analysisOutcome.stopped) return;
  m_analysis.clear();
  m_space.clear();
  for (const AnalyzedHive& hive : m_analysisOutcome.hives) {
    m_analysis[hive.name.str()] = uilogic::CellOf(hive);
    m_space[hive.name.str()] = uilogic::SpaceListRows(hive);
  }
  for (const auto& [row, cell] : uilogic::ProfileRowCells(m_profileRows, m_profileAnalysis)) {
    m_analysis[m_profileRows[row].entry.name.str()] = cell;
  }
  ShowCompactSizeColumn();
  // Thousands of cells change: the list is drawn once, after the last.
  m_list.SendMessage(WM_SETREDRAW, FALSE);
  for (int index = 0; index < m_list.GetItemCount(); ++index) {
    const HiveEntry* entry = EntryOfRow(index);
    if (entry == nullptr) continue;
    m_list.SetItemText(index, uilogic::kCompactSizeColumn,
                       uilogic::AnalysisCellText(AnalysisCellOf(*entry), LoadResourceString));
  }
  if (m_nSortColumn == uilogic::kCompactSizeColumn) SortRows();
  m_list.SendMessage(WM_SETREDRAW, TRUE);
  ::InvalidateRect(m_list.m_hWnd, nullptr, TRUE);
}

void CHiveListDlg::OnDefragment() {
  if (m_run.Busy()) return;
  std::vector<CompactionRow> rows = CurrentRows();
  const bool loadedTicked =
      std::any_of(rows.begin(), rows.end(), [](const CompactionRow& row) { return row.ticked; });
  std::vector<profiles::UserProfile> chosen = TickedProfiles();
  CString question = LoadResourceString(uilogic::DefragmentQuestion(loadedTicked));
  if (KelvaroMessageBox(m_hWnd, question, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK) return;
  UpdateData(TRUE);
  const bool showResults = m_bShowResults != 0;
  const CString shutdownMessage = LoadResourceString(IDS_SHUTDOWN_MESSAGE);
  const HWND window = m_hWnd;
  m_bProfilesTicked = !chosen.empty();
  m_bLoadedTicked = loadedTicked;
  m_bLoadedRan = false;
  m_profileSwap = {};
  m_defragmentOutcome = {};
  StartRun(uilogic::RunKind::kDefragment,
           [this, rows = std::move(rows), chosen = std::move(chosen), loadedTicked, showResults,
            shutdownMessage, window, progress = WorkerProgress()] {
             // Profiles not signed in are swapped at once, before any loaded
             // hive is scheduled; a failure that stops their run stops here.
             if (!chosen.empty()) {
               std::vector<const profiles::UserProfile*> pointers;
               for (const profiles::UserProfile& profile : chosen) pointers.push_back(&profile);
               m_profileSwap = SwapProfileHives(pointers);
               if (!loadedTicked || m_profileSwap.Stopped() || StopRequested(progress)) {
                 return;
               }
             }
             // Hives left alone are named before the restart counts down; the window's
             // thread shows that message box while this thread waits.
             auto tellBeforeRestart = [window](const CompactionOutcome& done) {
               ::SendMessageW(window, kBeforeRestartMessage, 0, reinterpret_cast<LPARAM>(&done));
             };
             m_bLoadedRan = true;
             m_defragmentOutcome =
                 RunCompaction(rows, showResults, shutdownMessage, tellBeforeRestart, progress);
           });
}
