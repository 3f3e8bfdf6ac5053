#include "ui/framework/Resources.h"

#include "ui/framework/WinApp.h"

CString LoadResourceString(UINT id) {
  // With a zero length LoadStringW hands out a read-only pointer to the resource
  // itself, so strings of any length load whole.
  const wchar_t* text = nullptr;
  int length = ::LoadStringW(AfxGetInstanceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return CString();
  return CString(text, static_cast<std::size_t>(length));
}

int KelvaroMessageBox(HWND owner, const wchar_t* text, UINT style) {
  return ::MessageBoxW(owner, text, L"Kelvaro", style);
}
