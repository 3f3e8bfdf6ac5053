#pragma once
// A text static drawn as a web link: underlined, blue, with the hand pointer; a
// click opens its text with the shell, or copies it to the clipboard when no
// program can open it.
#include "ui/framework/Static.h"

class CHyperlinkStatic : public CStatic {
 public:
  CHyperlinkStatic();
  ~CHyperlinkStatic() override;
  const MessageMap* GetMessageMap() const override;

  std::optional<LRESULT> CtlColor(WPARAM deviceContext, LPARAM);
  std::optional<LRESULT> OnNcHitTest(WPARAM, LPARAM);
  std::optional<LRESULT> OnSetCursor(WPARAM, LPARAM);
  std::optional<LRESULT> OnLButtonDown(WPARAM keys, LPARAM point);

  CFont m_font;
  HCURSOR m_hCursor = nullptr;
};

// Puts `text` on the clipboard as Unicode text, owned by `owner`; false when the
// clipboard could not be opened, emptied or given the text.
bool CopyTextToClipboard(HWND owner, const CString& text);
