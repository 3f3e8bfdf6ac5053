#include "path/PathName.h"

#include <new>
#include <utility>

namespace {

constexpr wchar_t kBackslash = L'\\';
constexpr wchar_t kColon = L':';

// The character at `index`, or 0 past the end.
wchar_t At(const CPathString& text, std::uint32_t index) {
  return index < text.GetLength() ? text.GetBuffer()[index] : L'\0';
}

}  // namespace

void CPathName::Clear() {
  m_bUnc = false;
  m_bDrive = false;
  m_bRooted = false;
  m_bRelative = false;
  m_components.clear();
}

void CPathName::Parse(const CPathString& text) {
  Clear();
  if (text.IsEmpty()) return;
  try {
    ParseComponents(text);
  } catch (...) {
    Clear();
    throw;
  }
}

void CPathName::ParseComponents(const CPathString& text) {
  // Every flag is decided on the whole text before anything is skipped.
  bool uncPrefix = At(text, 0) == kBackslash && At(text, 1) == kBackslash;
  bool driveRoot = At(text, 1) == kDriveRoot[0] && At(text, 2) == kDriveRoot[1];
  if (uncPrefix) {
    m_bUnc = true;
    m_bRooted = true;
  }
  if (At(text, 1) == kColon) m_bDrive = true;
  if (At(text, 0) == kBackslash || driveRoot) m_bRooted = true;
  if (!uncPrefix && !driveRoot) m_bRelative = true;

  const std::uint32_t length = text.GetLength();
  const wchar_t* characters = text.GetBuffer();
  std::uint32_t position = 0;
  while (position < length && characters[position] == kBackslash) ++position;

  for (;;) {
    std::uint32_t end = position;
    while (end < length && characters[end] != kBackslash) ++end;
    const bool foundBackslash = end < length;
    try {
      CPathString candidate =
          text.Mid(static_cast<std::int32_t>(position), static_cast<std::int32_t>(end - position));
      if (m_bUnc && m_components.empty()) {
        CServerComponent server(candidate);
        if (server.IsEmpty()) throw CPathException(CPathException::invalidName);
        m_components.push_back(server);
      } else {
        CPathComponent component(candidate);
        if (component.IsEmpty()) throw CPathException(CPathException::invalidName);
        m_components.push_back(std::move(component));
      }
    } catch (const std::bad_alloc&) {
      throw CPathException(CPathException::noMemory);
    }
    // One trailing backslash is accepted and dropped.
    if (!foundBackslash || end + 1 == length) return;
    position = end + 1;
  }
}

bool CPathName::SetPath(const wchar_t* text, CPathException* error) {
  try {
    CPathString copy;
    copy.Assign(text);
    Parse(copy);
    return true;
  } catch (const CPathException& caught) {
    Clear();
    if (error != nullptr) error->m_cause = caught.m_cause;
  } catch (...) {
    Clear();
    if (error != nullptr) error->m_cause = CPathException::none;
  }
  return false;
}

CPathString CPathName::GetText() const {
  CPathString text;
  if (m_components.empty()) return text;
  if (m_bUnc) {
    text.Append(kUncPrefix);
  } else if (m_bRooted && !m_bDrive) {
    text.Append(kBackslash);
  }
  for (const CPathComponent& component : m_components) {
    text.Append(component.GetText().GetBuffer());
    text.Append(kBackslash);
  }
  // A drive root keeps its backslash: C:\ names the root, C: the drive's current folder.
  bool driveRoot = m_bDrive && m_bRooted && m_components.size() == 1;
  if (!driveRoot) text.TrimRight(kBackslash);
  return text;
}

CPathName& CPathName::Append(const CPathComponent& component) {
  const CPathString& name = component.GetText();
  if (name.IsEmpty()) return *this;
  const bool isDrive = At(name, 1) == kColon;
  if (m_components.empty()) {
    m_components.push_back(component);
    if (isDrive) {
      m_bDrive = true;
      m_bRooted = true;
    } else {
      m_bRelative = true;
    }
    return *this;
  }
  if (isDrive) throw CPathException(CPathException::badCombine);
  if (name.CompareNoCase(kDotDot) == 0) {
    const bool atDriveRoot = m_bDrive && m_components.size() == 1;
    const bool atUncShare = m_bUnc && m_components.size() == 2;
    if (atDriveRoot || atUncShare) throw CPathException(CPathException::badCombine);
    m_components.pop_back();
  } else if (name.CompareNoCase(kDot) != 0) {
    m_components.push_back(component);
  }
  return *this;
}

CPathName Combine(const CPathName& path, const CPathComponent& component) {
  CPathName combined(path);
  combined.Append(component);
  return combined;
}

CPathName CPathName::GetUncRoot() const {
  CPathName root;
  if (!m_bUnc || m_components.size() < 2) return root;
  root.m_bUnc = true;
  root.m_bRooted = true;
  root.m_components.assign(m_components.begin(), m_components.begin() + 2);
  return root;
}

CPathComponent CPathName::GetDriveComponent() const {
  if (!m_bDrive || m_components.empty()) return CPathComponent();
  return m_components.front();
}

CPathComponent CPathName::GetComponent(std::uint32_t index) const {
  if (index >= m_components.size()) return CPathComponent();
  return m_components[index];
}
