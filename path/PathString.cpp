#include "path/PathString.h"

#include <cwchar>
#include <memory>
#include <utility>

#include "platform/Platform.h"

namespace {

// Capacity for a request of `need` characters: powers of two from 16 to 512,
// then exactly one spare character.
std::int32_t CapacityFor(std::int32_t need) {
  if (need < 16) return 16;
  if (need < 32) return 32;
  if (need < 64) return 64;
  if (need < 128) return 128;
  if (need < 256) return 256;
  if (need < 512) return 512;
  return need + 1;
}

}  // namespace

CPathString::CPathString(std::int32_t ownNew) : m_nOwnNew(ownNew) {}

CPathString::CPathString(const CPathString& other, std::int32_t ownNew) : m_nOwnNew(ownNew) {
  Assign(other);
}

CPathString::CPathString(CPathString&& other) noexcept
    : m_pchData(std::exchange(other.m_pchData, nullptr)),
      m_nAlloc(std::exchange(other.m_nAlloc, 0)),
      m_nLength(std::exchange(other.m_nLength, 0u)),
      m_nBufOwned(std::exchange(other.m_nBufOwned, 0)),
      m_nOwnNew(other.m_nOwnNew) {}

CPathString& CPathString::operator=(const CPathString& other) { return Assign(other); }

CPathString& CPathString::operator=(CPathString&& other) noexcept {
  if (this != &other) {
    Release();
    m_pchData = std::exchange(other.m_pchData, nullptr);
    m_nAlloc = std::exchange(other.m_nAlloc, 0);
    m_nLength = std::exchange(other.m_nLength, 0u);
    m_nBufOwned = std::exchange(other.m_nBufOwned, 0);
  }
  return *this;
}

CPathString::~CPathString() { Release(); }

CPathString& CPathString::Release() {
  if (m_pchData != nullptr && m_nBufOwned == 1) delete[] m_pchData;
  m_pchData = nullptr;
  m_nBufOwned = 0;
  m_nAlloc = 0;
  m_nLength = 0;
  return *this;
}

CPathString& CPathString::Reserve(std::int32_t need) {
  if (need <= m_nAlloc) return *this;
  Release();
  std::int32_t capacity = CapacityFor(need);
  m_pchData = new wchar_t[static_cast<std::size_t>(capacity)];
  m_pchData[0] = L'\0';
  m_nAlloc = capacity;
  m_nBufOwned = m_nOwnNew;
  return *this;
}

void CPathString::AssignCharacters(const wchar_t* text, std::uint32_t count) {
  // A text inside this string's own buffer is shorter than the capacity, so the
  // reservation keeps the buffer and the move below may overlap safely.
  Reserve(static_cast<std::int32_t>(count + 1));
  std::wmemmove(m_pchData, text, count);
  m_nLength = count;
  m_pchData[count] = L'\0';
}

CPathString& CPathString::Assign(const CPathString& source) {
  if (source.IsEmpty()) return Release();
  AssignCharacters(source.m_pchData, source.m_nLength);
  return *this;
}

CPathString& CPathString::Assign(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return Release();
  AssignCharacters(text, static_cast<std::uint32_t>(std::wcslen(text)));
  return *this;
}

CPathString& CPathString::Assign(wchar_t ch) {
  if (ch == L'\0') return Release();
  Reserve(2);
  m_pchData[0] = ch;
  m_pchData[1] = L'\0';
  m_nLength = 1;
  return *this;
}

void CPathString::AppendCharacters(const wchar_t* text, std::uint32_t count) {
  std::uint64_t need = std::uint64_t{m_nLength} + count + 1;
  if (static_cast<std::uint64_t>(m_nAlloc) >= need) {
    std::wmemmove(m_pchData + m_nLength, text, count);
    m_nLength += count;
    m_pchData[m_nLength] = L'\0';
    return;
  }
  if (m_nLength == 0) {
    Reserve(static_cast<std::int32_t>(need));
    std::wmemcpy(m_pchData, text, count);
    m_nLength = count;
    m_pchData[count] = L'\0';
    return;
  }
  // Growing discards the buffer, so the old characters wait in a temporary one.
  // A text taken from this very buffer would vanish with it: it waits there too.
  bool textInBuffer = text >= m_pchData && text < m_pchData + m_nAlloc;
  std::uint32_t held = m_nLength;
  std::unique_ptr<wchar_t[]> saved(new wchar_t[held + (textInBuffer ? count : 0)]);
  std::wmemcpy(saved.get(), m_pchData, held);
  if (textInBuffer) {
    std::wmemcpy(saved.get() + held, text, count);
    text = saved.get() + held;
  }
  Reserve(static_cast<std::int32_t>(need));
  std::wmemcpy(m_pchData, saved.get(), held);
  std::wmemcpy(m_pchData + held, text, count);
  m_nLength = held + count;
  m_pchData[m_nLength] = L'\0';
}

CPathString& CPathString::Append(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return *this;
  AppendCharacters(text, static_cast<std::uint32_t>(std::wcslen(text)));
  return *this;
}

CPathString& CPathString::Append(wchar_t ch) {
  if (ch == L'\0') return *this;
  AppendCharacters(&ch, 1);
  return *this;
}

CPathString& CPathString::TrimRight(wchar_t ch) {
  if (IsEmpty() || ch == L'\0') return *this;
  std::uint32_t kept = m_nLength;
  while (kept > 0 && m_pchData[kept - 1] == ch) --kept;
  if (kept == m_nLength) return *this;
  m_nLength = kept;
  m_pchData[kept] = L'\0';
  return *this;
}

CPathString CPathString::Mid(std::int32_t start, std::int32_t count) const {
  CPathString result(m_nOwnNew);
  std::int64_t length = m_nLength;
  if (start < 0 || start >= length) return result;
  if (count == -1 || std::int64_t{start} + count > length) {
    count = static_cast<std::int32_t>(length - start);
  }
  if (count <= 0) return result;
  result.AssignCharacters(m_pchData + start, static_cast<std::uint32_t>(count));
  return result;
}

namespace {
// An empty string has no buffer; it compares as the empty text, so that the
// answer does not depend on how the platform treats a null pointer.
const wchar_t* TextOf(const wchar_t* buffer) { return buffer != nullptr ? buffer : L""; }
}  // namespace

int CPathString::CompareNoCase(const CPathString& other) const {
  return platform::Current().Locale().CompareNoCase(TextOf(m_pchData), TextOf(other.m_pchData));
}

int CPathString::CompareNoCase(const wchar_t* text) const {
  return platform::Current().Locale().CompareNoCase(TextOf(m_pchData), TextOf(text));
}
