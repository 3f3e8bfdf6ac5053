#pragma once
// The path library's own string of UTF-16 code units. Small on purpose: assign,
// append, a substring, trimming one trailing character and case-insensitive
// comparison, with an explicit capacity rule. Copies always copy the characters.
#include <cstdint>

class CPathString {
 public:
  // ownNew becomes the ownership flag of every buffer this string allocates; a
  // release frees the buffer only when that flag is exactly 1.
  explicit CPathString(std::int32_t ownNew = 1);
  CPathString(const CPathString& other, std::int32_t ownNew = 1);
  CPathString(CPathString&& other) noexcept;
  CPathString& operator=(const CPathString& other);
  CPathString& operator=(CPathString&& other) noexcept;
  virtual ~CPathString();

  bool IsEmpty() const { return m_nLength == 0; }
  // The null-terminated characters, or a null pointer when there is no buffer.
  const wchar_t* GetBuffer() const { return m_pchData; }
  std::uint32_t GetLength() const { return m_nLength; }
  // Characters the buffer holds, terminator included; 0 without a buffer.
  std::int32_t GetCapacity() const { return m_nAlloc; }

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

  wchar_t* m_pchData = nullptr;
  std::int32_t m_nAlloc = 0;
  std::uint32_t m_nLength = 0;
  std::int32_t m_nBufOwned = 0;
  std::int32_t m_nOwnNew = 1;
};
