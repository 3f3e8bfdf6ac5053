#include "ui/HyperlinkStatic.h"

#include <cstring>

#include "platform/Platform.h"
#include "ui/framework/WinApp.h"
#include "ui/res/resource.h"

namespace {
const MessageMapEntry kEntries[] = {
    {kReflectedCtlColorStatic, 0, 0, &CallRaw<CHyperlinkStatic, &CHyperlinkStatic::CtlColor>},
    {WM_NCHITTEST, 0, 0, &CallRaw<CHyperlinkStatic, &CHyperlinkStatic::OnNcHitTest>},
    {WM_SETCURSOR, 0, 0, &CallRaw<CHyperlinkStatic, &CHyperlinkStatic::OnSetCursor>},
    {WM_LBUTTONDOWN, 0, 0, &CallRaw<CHyperlinkStatic, &CHyperlinkStatic::OnLButtonDown>},
};
}  // namespace

CHyperlinkStatic::CHyperlinkStatic() {
  m_hCursor = static_cast<HCURSOR>(::LoadImageW(
      AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDC_HAND_CURSOR), IMAGE_CURSOR,
      ::GetSystemMetrics(SM_CXCURSOR), ::GetSystemMetrics(SM_CYCURSOR), LR_DEFAULTCOLOR));
}

CHyperlinkStatic::~CHyperlinkStatic() {
  if (m_hCursor != nullptr) ::DestroyCursor(m_hCursor);
}

const MessageMap* CHyperlinkStatic::GetMessageMap() const {
  static const MessageMap map = {CStatic::GetMessageMap(), kEntries, std::size(kEntries)};
  return &map;
}

std::optional<LRESULT> CHyperlinkStatic::CtlColor(WPARAM deviceContext, LPARAM) {
  // Only text statics (left, centred, right) are drawn as links.
  if ((::GetWindowLongW(m_hWnd, GWL_STYLE) & 0xFF) > SS_RIGHT) return std::nullopt;
  if (m_font.GetSafeHandle() == nullptr) {
    auto current = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    LOGFONTW description{};
    if (current != nullptr && ::GetObjectW(current, sizeof description, &description) != 0) {
      description.lfUnderline = 1;
      m_font.CreateFontIndirect(description);
    }
  }
  auto dc = reinterpret_cast<HDC>(deviceContext);
  if (m_font.GetSafeHandle() != nullptr) ::SelectObject(dc, m_font.GetSafeHandle());
  ::SetTextColor(dc, RGB(0, 0, 255));
  ::SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
}

std::optional<LRESULT> CHyperlinkStatic::OnNcHitTest(WPARAM, LPARAM) { return HTCLIENT; }

std::optional<LRESULT> CHyperlinkStatic::OnSetCursor(WPARAM, LPARAM) {
  ::SetCursor(m_hCursor);
  return TRUE;
}

std::optional<LRESULT> CHyperlinkStatic::OnLButtonDown(WPARAM keys, LPARAM point) {
  CString address = GetWindowText();
  // Never opened from this elevated process: a browser started here would
  // run with administrator rights. When the desktop's shell cannot open it,
  // the address shown goes on the clipboard for the user to paste.
  if (!platform::Current().Shell().OpenAsSignedInUser(address)) {
    CopyTextToClipboard(m_hWnd, address);
  }
  return Default(WM_LBUTTONDOWN, keys, point);
}

bool CopyTextToClipboard(HWND owner, const CString& text) {
  if (!::OpenClipboard(owner)) return false;
  bool copied = false;
  if (::EmptyClipboard()) {
    std::size_t bytes = (static_cast<std::size_t>(text.GetLength()) + 1) * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
    if (block != nullptr) {
      if (void* memory = ::GlobalLock(block)) {
        std::memcpy(memory, text.GetString(), bytes);
        ::GlobalUnlock(block);
        copied = ::SetClipboardData(CF_UNICODETEXT, block) != nullptr;
      }
      if (!copied) ::GlobalFree(block);  // the clipboard took nothing
    }
  }
  ::CloseClipboard();
  return copied;
}
