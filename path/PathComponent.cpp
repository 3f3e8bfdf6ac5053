#include "path/PathComponent.h"

#include <cwchar>

#include "path/PathException.h"

namespace {

bool HasAnyOf(const wchar_t* text, std::size_t length, const wchar_t* set) {
  for (std::size_t i = 0; i < length; ++i) {
    if (std::wcschr(set, text[i]) != nullptr) return true;
  }
  return false;
}

// Length of `text`, counting no further than `limit` + 1.
std::size_t BoundedLength(const wchar_t* text, std::size_t limit) {
  std::size_t length = 0;
  while (length <= limit && text[length] != L'\0') ++length;
  return length;
}

}  // namespace

bool IsValidName(const wchar_t* text) {
  if (text == nullptr) return false;
  std::size_t length = BoundedLength(text, kMaxNameLength);
  if (length < 1 || length > kMaxNameLength) return false;
  if (HasAnyOf(text, length, kInvalidNameChars)) return false;
  if (std::wmemchr(text, L':', length) != nullptr) {
    return length == 2 && text[0] != L':';
  }
  return true;
}

bool IsValidServerName(const wchar_t* text) {
  if (text == nullptr) return false;
  std::size_t length = BoundedLength(text, kMaxServerNameLength);
  if (length < 1 || length > kMaxServerNameLength) return false;
  return !HasAnyOf(text, length, kInvalidServerChars);
}

CPathComponent::CPathComponent(const CPathString& text, Rule rule) : m_text(text) {
  if (!m_text.IsEmpty() && !rule(m_text.GetBuffer())) {
    throw CPathException(CPathException::invalidName);
  }
}

CPathComponent::CPathComponent(const CPathString& text) : CPathComponent(text, IsValidName) {}

CPathComponent::CPathComponent(const wchar_t* text)
    : CPathComponent(CPathString().Assign(text), IsValidName) {}

CServerComponent::CServerComponent(const CPathString& text)
    : CPathComponent(text, IsValidServerName) {}

CServerComponent::CServerComponent(const wchar_t* text)
    : CPathComponent(CPathString().Assign(text), IsValidServerName) {}
