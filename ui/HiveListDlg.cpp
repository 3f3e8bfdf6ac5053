#include "ui/HiveListDlg.h"

#include <windowsx.h>

#include <vector>

#include "catalogue/HiveRecords.h"
#include "compaction/CompactionRun.h"
#include "ui/SortableList.h"
#include "ui/WindowChrome.h"
#include "ui/WindowDpi.h"
#include "ui/HiveListFill.h"
#include "ui/framework/DataExchange.h"
#include "ui/framework/Resources.h"
#include "ui/framework/WinApp.h"
#include "ui/logic/ColumnWidths.h"
#include "ui/logic/DefragmentRules.h"
#include "ui/logic/MainLayout.h"
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
    {WM_COMMAND, BN_CLICKED, IDC_DEFRAGMENT, &CallVoid<CHiveListDlg, &CHiveListDlg::OnDefragment>},
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
  FillHiveList(*this);
  UpdateDefragmentButton();
  return TRUE;
}

void CHiveListDlg::InitHiveListControl() {
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
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

void CHiveListDlg::OnOK() {}

BOOL CHiveListDlg::DestroyWindow() {
  FreeHiveRows();
  return CDialog::DestroyWindow();
}

void CHiveListDlg::FreeHiveRows() { FreeRowRecords<HiveEntry>(m_list); }

void CHiveListDlg::SortRows() {
  m_list.SortItems(&CHiveListDlg::CompareHiveRows, reinterpret_cast<LPARAM>(this));
}

int CALLBACK CHiveListDlg::CompareHiveRows(LPARAM first, LPARAM second, LPARAM context) {
  auto* dialog = reinterpret_cast<CHiveListDlg*>(context);
  auto* a = reinterpret_cast<HiveEntry*>(first);
  auto* b = reinterpret_cast<HiveEntry*>(second);
  if (a == nullptr || b == nullptr) return 0;
  return uilogic::CompareHiveRows(*a, *b, {dialog->m_nSortColumn, dialog->m_bSortAscending});
}

void CHiveListDlg::ShowSortArrow(bool show) {
  ShowHeaderSortArrow(m_list, m_nSortColumn, m_bSortAscending, show);
}

void CHiveListDlg::UpdateDefragmentButton() {
  UpdateData(TRUE);
  int ticked = m_list.CountRowsWithState(uilogic::kStateTicked);
  EnableDlgControl(*this, IDC_DEFRAGMENT, uilogic::DefragmentEnabled(ticked));
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
  const uilogic::WindowSize minimum = uilogic::MainWindowMinimumSize(WindowDpi(m_hWnd));
  limits->ptMinTrackSize.x = minimum.width;
  limits->ptMinTrackSize.y = minimum.height;
  return std::nullopt;  // the default processing runs on
}

std::optional<LRESULT> CHiveListDlg::OnSize(WPARAM type, LPARAM size) {
  if (!::IsWindowVisible(m_hWnd)) return 0;
  HWND list = GetDlgItem(IDC_HIVE_LIST);
  HWND check = GetDlgItem(IDC_SHOW_RESULTS);
  HWND defragment = GetDlgItem(IDC_DEFRAGMENT);
  HWND cancel = GetDlgItem(IDCANCEL);
  if (!g_layout.measured) {
    g_layout.metrics =
        uilogic::MeasureLayoutMetrics(ChildRect(m_hWnd, list), ChildRect(m_hWnd, cancel));
    g_layout.measured = true;
  }
  m_bGripVisible = uilogic::GripVisibleAfterSize(static_cast<std::uint32_t>(type));
  ::InvalidateRect(m_hWnd, &m_rcGrip, TRUE);

  uilogic::MainControls current{ChildRect(m_hWnd, list), ChildRect(m_hWnd, check),
                                ChildRect(m_hWnd, defragment), ChildRect(m_hWnd, cancel)};
  uilogic::MainLayout layout =
      uilogic::LayOutMainWindow(g_layout.metrics, current, LOWORD(size), HIWORD(size));
  constexpr UINT kKeepOrder = SWP_NOZORDER | SWP_NOOWNERZORDER;
  HDWP batch = ::BeginDeferWindowPos(4);
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
  if (batch != nullptr) ::EndDeferWindowPos(batch);
  return 0;
}

void CHiveListDlg::OnColumnClick(NMHDR* header, LRESULT* result) {
  SortByClickedColumn(*this, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
  *result = 0;
}

void CHiveListDlg::OnItemChanged(NMHDR*, LRESULT* result) {
  UpdateDefragmentButton();
  *result = 0;
}

namespace {
// The wait cursor for the length of a scope, however it is left.
class WaitCursor {
 public:
  WaitCursor() { AfxGetApp()->BeginWaitCursor(); }
  ~WaitCursor() { AfxGetApp()->EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
}  // namespace

void CHiveListDlg::OnDefragment() {
  CString question = LoadResourceString(IDS_CONFIRM_DEFRAGMENT);
  if (KelvaroMessageBox(m_hWnd, question, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK) return;
  CompactionOutcome outcome;
  {
    WaitCursor waiting;
    UpdateData(TRUE);
    std::vector<CompactionRow> rows;
    for (int index = 0; index < m_list.GetItemCount(); ++index) {
      rows.push_back(
          {reinterpret_cast<const HiveEntry*>(m_list.GetItemData(index)),
           m_list.GetItemState(index, uilogic::kStateImageMask) == uilogic::kStateTicked});
    }
    // Hives left alone are named before the restart counts down.
    auto tellBeforeRestart = [this](const CompactionOutcome& done) {
      CString report = uilogic::RunReportText(done, LoadResourceString);
      if (!report.IsEmpty()) KelvaroMessageBox(m_hWnd, report, MB_OK | MB_ICONINFORMATION);
    };
    outcome = RunCompaction(rows, m_bShowResults != 0, LoadResourceString(IDS_SHUTDOWN_MESSAGE),
                            tellBeforeRestart);
    if (outcome.closeWindow) {
      EndDialog(IDOK);
      return;
    }
  }
  // Nothing was scheduled: no restart, and the list stays for another try.
  KelvaroMessageBox(m_hWnd, uilogic::RunReportText(outcome, LoadResourceString),
                    MB_OK | MB_ICONERROR);
}
