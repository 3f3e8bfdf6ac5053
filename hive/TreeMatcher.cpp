#include "hive/TreeMatcher.h"

#include "hive/Names.h"
#include "hive/Records.h"

#include <algorithm>

namespace hive {

namespace {

bool SameBytes(const std::vector<std::uint8_t>& expected, Bytes actual) {
  return std::equal(expected.begin(), expected.end(), actual.begin(), actual.end());
}

}  // namespace

std::vector<const HiveKey*> StoredSubkeys(const HiveKey& key, bool leaveOutVolatile) {
  std::vector<const HiveKey*> children;
  for (const HiveKey& subkey : key.subkeys)
    if (!leaveOutVolatile || (subkey.flags & kKeyVolatile) == 0) children.push_back(&subkey);
  std::stable_sort(children.begin(), children.end(), [](const HiveKey* a, const HiveKey* b) {
    return CompareNames(a->name, b->name) < 0;
  });
  return children;
}

CTreeMatcher::CTreeMatcher(const HiveKey& expected, bool leaveOutVolatile)
    : m_expected(expected), m_leaveOutVolatile(leaveOutVolatile) {}

void CTreeMatcher::Differs(const std::string& what) {
  if (m_difference.empty()) m_difference = PathText() + ": " + what;
}

std::string CTreeMatcher::PathText() const {
  std::string text;
  for (const std::u16string& name : m_path) {
    if (!text.empty()) text.push_back('\\');
    text.append(ToUtf8(name));
  }
  return text.empty() ? std::string("(root)") : text;
}

void CTreeMatcher::Close(const Frame& frame) {
  if (frame.nextChild < frame.children.size())
    Differs("subkey \"" + ToUtf8(frame.children[frame.nextChild]->name) + "\" is missing");
  if (frame.nextValue < frame.key->values.size())
    Differs("value \"" + ToUtf8(frame.key->values[frame.nextValue].name) + "\" is missing");
}

void CTreeMatcher::OnKey(const std::vector<std::u16string>& path, const KeyNode& key) {
  while (m_open.size() >= path.size()) {
    Close(m_open.back());
    m_open.pop_back();
  }
  m_path = path;
  const HiveKey* expected = nullptr;
  if (m_open.empty()) {
    if (m_started) return Differs("a second root");
    m_started = true;
    expected = &m_expected;
  } else {
    Frame& parent = m_open.back();
    if (parent.nextChild == parent.children.size()) return Differs("a subkey more than expected");
    expected = parent.children[parent.nextChild++];
  }
  Frame frame;
  frame.key = expected;
  frame.security =
      !expected->security.empty() || m_open.empty() ? &expected->security : m_open.back().security;
  frame.children = StoredSubkeys(*expected, m_leaveOutVolatile);
  std::uint16_t flags = static_cast<std::uint16_t>(key.flags & ~kKeyCompressedName);
  std::uint16_t wanted = static_cast<std::uint16_t>(expected->flags & ~kKeyCompressedName);
  if (m_open.empty()) wanted |= kKeyHiveEntry;
  if (path.back() != expected->name)
    Differs("name differs from \"" + ToUtf8(expected->name) + "\"");
  else if (flags != wanted || key.flagsAboveLargestName != expected->userFlags)
    Differs("flags differ");
  else if (key.lastWritten != expected->lastWritten || key.spare != expected->accessBits)
    Differs("last-written time or access bits differ");
  m_open.push_back(std::move(frame));
}

void CTreeMatcher::OnKeyRecords(Bytes securityDescriptor, Bytes className) {
  if (m_open.empty()) return;
  const Frame& frame = m_open.back();
  if (!SameBytes(frame.key->className, className)) Differs("class name differs");
  if (!frame.security->empty() && !SameBytes(*frame.security, securityDescriptor))
    Differs("security descriptor differs");
}

void CTreeMatcher::OnValue(const std::u16string& name, const ValueKey& record, Bytes data) {
  if (m_open.empty()) return;
  Frame& frame = m_open.back();
  if (frame.nextValue == frame.key->values.size())
    return Differs("value \"" + ToUtf8(name) + "\" is not expected");
  const HiveValue& expected = frame.key->values[frame.nextValue++];
  std::uint16_t flags = static_cast<std::uint16_t>(record.flags & ~kValueCompressedName);
  if (expected.name != name || expected.type != record.type || expected.flags != flags ||
      expected.spare != record.spare || !SameBytes(expected.data, data))
    Differs("value \"" + ToUtf8(expected.name) + "\" differs");
}

bool CTreeMatcher::Matched() {
  while (!m_open.empty()) {
    Close(m_open.back());
    m_open.pop_back();
  }
  if (!m_started) Differs("no root key");
  return m_difference.empty();
}

}  // namespace hive
