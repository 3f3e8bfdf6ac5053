#pragma once
// The framework's string of wide characters, portable so that the catalogue and
// the records can use it as the windows do. A thin value type over std::wstring.
#include <cstddef>
#include <string>
#include <string_view>

class CString {
 public:
  CString() = default;
  CString(const wchar_t* text)
      : m_text(text != nullptr ? text : L"") {}  // NOLINT: implicit as in the framework
  CString(const wchar_t* text, std::size_t length) : m_text(text, length) {}
  CString(std::wstring text) : m_text(std::move(text)) {}  // NOLINT

  int GetLength() const { return static_cast<int>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }
  void Empty() { m_text.clear(); }
  const wchar_t* GetString() const { return m_text.c_str(); }
  operator const wchar_t*() const { return m_text.c_str(); }  // NOLINT: as in the framework
  wchar_t GetAt(int index) const { return m_text[static_cast<std::size_t>(index)]; }

  // Characters from `first` to the end; empty when first is at or past the end.
  CString Mid(int first) const {
    if (first < 0) first = 0;
    if (static_cast<std::size_t>(first) >= m_text.size()) return CString();
    return CString(m_text.substr(static_cast<std::size_t>(first)));
  }
  CString Left(int count) const {
    if (count <= 0) return CString();
    return CString(m_text.substr(0, static_cast<std::size_t>(count)));
  }
  // Index of the last occurrence of `ch`, or -1.
  int ReverseFind(wchar_t ch) const {
    auto at = m_text.rfind(ch);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
  }

  CString& operator+=(const CString& other) {
    m_text += other.m_text;
    return *this;
  }
  CString& operator+=(const wchar_t* text) {
    if (text != nullptr) m_text += text;
    return *this;
  }
  friend CString operator+(CString left, const CString& right) { return left += right; }
  friend CString operator+(CString left, const wchar_t* right) { return left += right; }
  friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
  friend bool operator==(const CString& a, const wchar_t* b) {
    return a.m_text == (b != nullptr ? b : L"");
  }

  const std::wstring& str() const { return m_text; }

 private:
  std::wstring m_text;
};
