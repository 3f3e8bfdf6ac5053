#include "path/PathString.h"

#include <cwchar>
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

std::vector<wchar_t> BufferFor(std::int32_t need) {
  return std::vector<wchar_t>(static_cast<std::size_t>(CapacityFor(need)), L'\0');
}

}  // namespace

CPathString::CPathString(const CPathString& other) { Assign(other); }

CPathString::CPathString(CPathString&& other) noexcept
    : m_buffer(std::exchange(other.m_buffer, {})), m_length(std::exchange(other.m_length, 0u)) {}

CPathString& CPathString::operator=(const CPathString& other) { return Assign(other); }

CPathString& CPathString::operator=(CPathString&& other) noexcept {
  if (this != &other) {
    m_buffer = std::exchange(other.m_buffer, {});
    m_length = std::exchange(other.m_length, 0u);
  }
  return *this;
}

CPathString& CPathString::Release() {
  m_buffer = {};
  m_length = 0;
  return *this;
}

CPathString& CPathString::Reserve(std::int32_t need) {
  if (need <= GetCapacity()) return *this;
  m_buffer = BufferFor(need);
  m_length = 0;
  return *this;
}

void CPathString::AssignCharacters(const wchar_t* text, std::uint32_t count) {
  // A text inside this string's own buffer is shorter than the capacity, so the
  // reservation keeps the buffer and the move below may overlap safely.
  Reserve(static_cast<std::int32_t>(count + 1));
  std::wmemmove(m_buffer.data(), text, count);
  m_length = count;
  m_buffer[count] = L'\0';
}

CPathString& CPathString::Assign(const CPathString& source) {
  if (source.IsEmpty()) return Release();
  AssignCharacters(source.m_buffer.data(), source.m_length);
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
  m_buffer[0] = ch;
  m_buffer[1] = L'\0';
  m_length = 1;
  return *this;
}

void CPathString::AppendCharacters(const wchar_t* text, std::uint32_t count) {
  const std::uint64_t need = std::uint64_t{m_length} + count + 1;
  if (static_cast<std::uint64_t>(GetCapacity()) >= need) {
    std::wmemmove(m_buffer.data() + m_length, text, count);
    m_length += count;
    m_buffer[m_length] = L'\0';
    return;
  }
  // A new buffer of the capacity a fresh reservation would choose; the old one
  // stays until both texts are copied, so a text taken from it is still there.
  std::vector<wchar_t> grown = BufferFor(static_cast<std::int32_t>(need));
  if (m_length > 0) std::wmemcpy(grown.data(), m_buffer.data(), m_length);
  std::wmemcpy(grown.data() + m_length, text, count);
  m_buffer = std::move(grown);
  m_length += count;
  m_buffer[m_length] = L'\0';
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
  std::uint32_t kept = m_length;
  while (kept > 0 && m_buffer[kept - 1] == ch) --kept;
  if (kept == m_length) return *this;
  m_length = kept;
  m_buffer[kept] = L'\0';
  return *this;
}

CPathString CPathString::Mid(std::int32_t start, std::int32_t count) const {
  CPathString result;
  std::int64_t length = m_length;
  if (start < 0 || start >= length) return result;
  if (count == -1 || std::int64_t{start} + count > length) {
    count = static_cast<std::int32_t>(length - start);
  }
  if (count <= 0) return result;
  result.AssignCharacters(m_buffer.data() + start, static_cast<std::uint32_t>(count));
  return result;
}

namespace {
// An empty string has no buffer; it compares as the empty text, so that the
// answer does not depend on how the platform treats a null pointer.
const wchar_t* TextOf(const wchar_t* buffer) { return buffer != nullptr ? buffer : L""; }
}  // namespace

int CPathString::CompareNoCase(const CPathString& other) const {
  return platform::Current().Locale().CompareNoCase(TextOf(GetBuffer()), TextOf(other.GetBuffer()));
}

int CPathString::CompareNoCase(const wchar_t* text) const {
  return platform::Current().Locale().CompareNoCase(TextOf(GetBuffer()), TextOf(text));
}
