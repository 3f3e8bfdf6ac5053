#pragma once
// The path library's own string of UTF-16 code units. Small on purpose: assign,
// append, a substring, trimming one trailing character and case-insensitive
// comparison, with an explicit capacity rule. Copies always copy the characters.
#include <cstdint>
#include <vector>

class CPathString {
 public:
  CPathString() = default;
  CPathString(const CPathString& other);
  CPathString(CPathString&& other) noexcept;
  CPathString& operator=(const CPathString& other);
  CPathString& operator=(CPathString&& other) noexcept;

  bool IsEmpty() const { return m_length == 0; }
  // The null-terminated characters, or a null pointer when there is no buffer.
  const wchar_t* GetBuffer() const { return m_buffer.empty() ? nullptr : m_buffer.data(); }
  std::uint32_t GetLength() const { return m_length; }
  // Characters the buffer holds, terminator included; 0 without a buffer.
  std::int32_t GetCapacity() const { return static_cast<std::int32_t>(m_buffer.size()); }

  CPathString& Assign(const CPathString& source);
  CPathString& Assign(const wchar_t* text);
  CPathString& Assign(wchar_t ch);
  CPathString& Append(const wchar_t* text);
  CPathString& Append(wchar_t ch);
  // Removes every `ch` at the end; the buffer stays.
  CPathString& TrimRight(wchar_t ch);
  // Makes room for `need` characters including the terminator. Growing discards
  // the contents: callers write the whole text afterwards.
  CPathString& Reserve(std::int32_t need);
  CPathString& Release();

  // `count` characters from `start`; -1 or a count past the end takes the rest.
  CPathString Mid(std::int32_t start, std::int32_t count = -1) const;

  // The platform's locale-aware case-insensitive comparison (lstrcmpiW):
  // negative, zero or positive.
  int CompareNoCase(const CPathString& other) const;
  int CompareNoCase(const wchar_t* text) const;

 private:
  void AssignCharacters(const wchar_t* text, std::uint32_t count);
  void AppendCharacters(const wchar_t* text, std::uint32_t count);

  // Its size is the capacity: empty means no buffer at all.
  std::vector<wchar_t> m_buffer;
  std::uint32_t m_length = 0;
};
