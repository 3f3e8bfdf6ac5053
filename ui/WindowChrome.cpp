#include "ui/WindowChrome.h"

#include "ui/AboutDlg.h"
#include "ui/framework/ListCtrl.h"
#include "ui/framework/Resources.h"
#include "ui/framework/WinApp.h"
#include "ui/logic/MainLayout.h"
#include "ui/logic/SystemMenuRules.h"
#include "ui/res/resource.h"

HICON LoadAppIcon(bool small) {
  return static_cast<HICON>(
      ::LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                   ::GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON),
                   ::GetSystemMetrics(small ? SM_CYSMICON : SM_CYICON), LR_DEFAULTCOLOR));
}

void DestroyAppIcons(HICON big, HICON small) {
  if (big != nullptr) ::DestroyIcon(big);
  if (small != nullptr) ::DestroyIcon(small);
}

void SetWindowIcons(HWND window, HICON big, HICON small) {
  ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void AddAboutMenuEntry(HWND window) {
  HMENU systemMenu = ::GetSystemMenu(window, FALSE);
  if (systemMenu == nullptr) return;
  CString about = LoadResourceString(IDS_ABOUTBOX);
  ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(systemMenu, MF_STRING, uilogic::kAboutCommandId, about);
}

std::optional<LRESULT> RunAboutCommand(WPARAM command) {
  if (!uilogic::IsAboutCommand(static_cast<std::uint32_t>(command))) return std::nullopt;
  CAboutDlg about;
  about.DoModal();
  return 0;
}

bool PaintMinimizedIcon(HWND window, HICON icon) {
  if (!::IsIconic(window)) return false;
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window, &paint);
  ::SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  ::GetClientRect(window, &client);
  uilogic::Point at =
      uilogic::MinimizedIconPosition(client.right - client.left, client.bottom - client.top,
                                     ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
  ::DrawIcon(dc, at.x, at.y, icon);
  ::EndPaint(window, &paint);
  return true;
}

void ShowHeaderSortArrow(CListCtrl& list, int column, bool ascending, bool show) {
  HWND header = list.GetHeaderCtrl();
  if (header == nullptr) return;
  HDITEMW item{};
  item.mask = HDI_FORMAT | HDI_BITMAP;
  if (!Header_GetItem(header, column, &item)) return;
  if (item.hbm != nullptr) {
    ::DeleteObject(item.hbm);
    item.hbm = nullptr;
  }
  if (show) {
    item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
    // LR_LOADMAP3DCOLORS maps the arrow's greys to the current 3-D colours.
    item.hbm = static_cast<HBITMAP>(::LoadImageW(
        AfxGetInstanceHandle(), MAKEINTRESOURCEW(ascending ? IDB_SORT_UP : IDB_SORT_DOWN),
        IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  } else {
    item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
  }
  Header_SetItem(header, column, &item);
}
