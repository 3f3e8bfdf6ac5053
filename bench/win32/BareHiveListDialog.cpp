// The yardstick for the main window's start: a bare program that shows the
// same dialog template and fills its list with the same rows (hive, file,
// size) straight from the hive list, with no framework, sorting or checks.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "platform/RegistryKeyPaths.h"
#include "ui/res/resource.h"

namespace {

void InsertColumn(HWND list, int column, const wchar_t* heading, int width) {
  LVCOLUMNW entry{};
  entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  entry.cx = width;
  entry.pszText = const_cast<wchar_t*>(heading);
  entry.iSubItem = column;
  ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&entry));
}

void SetText(HWND list, int row, int column, const wchar_t* text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text);
  ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// One row per REG_SZ value: its name, its file with the device replaced by C:,
// and the file's size in KB.
void FillRows(HWND list) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::kHiveListKey, 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  wchar_t device[MAX_PATH] = {};
  ::QueryDosDeviceW(L"C:", device, MAX_PATH);
  const std::wstring prefix = device;
  int index = 0;
  for (DWORD value = 0;; ++value) {
    wchar_t name[512];
    wchar_t data[1024];
    DWORD nameLength = 512;
    DWORD dataBytes = sizeof data;
    DWORD type = 0;
    LSTATUS status = ::RegEnumValueW(key, value, name, &nameLength, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data), &dataBytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    std::wstring file = data;
    if (file.rfind(prefix, 0) == 0) file = L"C:" + file.substr(prefix.size());
    unsigned long long bytes = 0;
    WIN32_FIND_DATAW entry{};
    HANDLE search = ::FindFirstFileW(file.c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
      bytes = (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
      ::FindClose(search);
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = name;
    int row =
        static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) continue;
    index = row;
    wchar_t size[32];
    std::swprintf(size, 32, L"%llu KB", (bytes + 1023) / 1024);
    SetText(list, row, 1, file.c_str());
    SetText(list, row, 2, size);
  }
  ::RegCloseKey(key);
}

INT_PTR CALLBACK BareDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    HWND list = ::GetDlgItem(dialog, IDC_HIVE_LIST);
    InsertColumn(list, 0, L"Hive", 300);
    InsertColumn(list, 1, L"File Name", 300);
    InsertColumn(list, 2, L"Size", 100);
    FillRows(list);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    ::DestroyWindow(dialog);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  // Modeless with its own loop, as the program's dialog framework runs it.
  HWND dialog = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_HIVELIST_DIALOG), nullptr,
                                     &BareDialog, 0);
  if (dialog == nullptr) return 1;
  ::ShowWindow(dialog, SW_SHOW);
  MSG message{};
  while (::IsWindow(dialog) && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageW(dialog, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return 0;
}
