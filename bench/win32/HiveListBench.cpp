// Benchmark: the time from opening the main window to its filled list, beside a
// minimal program that only reads the hive list and the files' sizes, in one
// process on the same registry. Prints the medians and their ratio.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "catalogue/HiveList.h"
#include "ui/HiveListDlg.h"

namespace {

using Clock = std::chrono::steady_clock;

// What any program that shows the hive list must do: walk the values, read
// each file's size. The device prefix is replaced by C: without a drive map.
int MinimalRead() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\hivelist", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
    return 0;
  }
  wchar_t device[MAX_PATH] = {};
  ::QueryDosDeviceW(L"C:", device, MAX_PATH);
  std::wstring prefix = device;
  int found = 0;
  for (DWORD index = 0;; ++index) {
    wchar_t name[512];
    wchar_t data[1024];
    DWORD nameLength = 512;
    DWORD dataBytes = sizeof data;
    DWORD type = 0;
    LSTATUS status = ::RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                     reinterpret_cast<BYTE*>(data), &dataBytes);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    std::wstring file = data;
    if (file.rfind(prefix, 0) == 0) file = L"C:" + file.substr(prefix.size());
    WIN32_FIND_DATAW entry{};
    HANDLE search = ::FindFirstFileW(file.c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
      ++found;
      ::FindClose(search);
    }
  }
  ::RegCloseKey(key);
  return found;
}

int KelvaroCatalogue() { return static_cast<int>(CollectHives().size()); }

int KelvaroFill() {
  CHiveListDlg dialog;
  dialog.Create();
  int rows = dialog.m_list.GetItemCount();
  dialog.DestroyWindow();
  return rows;
}

template <class Work>
double MedianMilliseconds(Work work, int runs, int* result) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    auto start = Clock::now();
    *result = work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 5;
  platform::win32::Win32Platform realWindows;
  platform::ScopedPlatform installed(realWindows);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  int files = 0;
  int rows = 0;
  MinimalRead();  // warm the caches for both
  double minimal = MedianMilliseconds(MinimalRead, runs, &files);
  int records = 0;
  double catalogue = MedianMilliseconds(KelvaroCatalogue, runs, &records);
  double kelvaro = MedianMilliseconds(KelvaroFill, runs, &rows);
  double base = minimal > 0 ? minimal : 1;
  std::printf("files=%d records=%d rows=%d minimal_ms=%.1f catalogue_ms=%.1f (%.2fx) "
              "window_ms=%.1f (%.2fx)\n",
              files, records, rows, minimal, catalogue, catalogue / base, kelvaro, kelvaro / base);
  return 0;
}
