#pragma once
// A static control and a font: handles with no logic.
#include "ui/framework/Wnd.h"

class CStatic : public CWnd {};

class CFont {
 public:
  CFont() = default;
  ~CFont() { DeleteObject(); }
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  bool CreateFontIndirect(const LOGFONTW& description) {
    DeleteObject();
    m_hObject = ::CreateFontIndirectW(&description);
    return m_hObject != nullptr;
  }
  void DeleteObject() {
    if (m_hObject != nullptr) ::DeleteObject(m_hObject);
    m_hObject = nullptr;
  }
  HFONT GetSafeHandle() const { return m_hObject; }

 private:
  HFONT m_hObject = nullptr;
};
