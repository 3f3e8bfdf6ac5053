#include "hive/ContentDigests.h"

#include "hive/Names.h"
#include "hive/Records.h"

#include <cstring>

namespace hive {

namespace {

constexpr std::uint64_t kSeedA = 0x243F6A8885A308D3ull;
constexpr std::uint64_t kSeedB = 0x13198A2E03707344ull;
constexpr std::uint64_t kMultiplierA = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMultiplierB = 0xC2B2AE3D27D4EB4Full;

std::string PathText(const std::vector<std::u16string>& path) {
  std::string text;
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (!text.empty()) text.push_back('\\');
    text.append(ToUtf8(path[i]));
  }
  return text.empty() ? std::string("(root)") : text;
}

}  // namespace

CContentDigests::CContentDigests(const std::vector<KeyDigest>* expected, bool leaveOutVolatile)
    : m_pExpected(expected), m_leaveOutVolatile(leaveOutVolatile) {}

// Two independent multiply-mix lanes: an accidental difference that leaves
// both unchanged is out of reach.
void CContentDigests::Add(std::uint64_t word) {
  m_current.a = (m_current.a ^ word) * kMultiplierA;
  m_current.a ^= m_current.a >> 29;
  m_current.b = (m_current.b + word) * kMultiplierB;
  m_current.b = (m_current.b << 31) | (m_current.b >> 33);
}

void CContentDigests::AddBytes(const void* bytes, std::size_t size) {
  Add(size);
  const auto* at = static_cast<const std::uint8_t*>(bytes);
  for (; size >= 8; size -= 8, at += 8) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    Add(word);
  }
  std::uint64_t tail = 0;
  if (size != 0) std::memcpy(&tail, at, size);
  Add(tail);
}

void CContentDigests::CloseKey() {
  if (!m_open) return;
  m_open = false;
  if (!m_pExpected) {
    m_recorded.push_back(m_current);
  } else if (m_difference.empty()) {
    if (m_keys > m_pExpected->size())
      m_difference = PathText(m_currentPath) + ": a key more than the input holds";
    else if (!((*m_pExpected)[m_keys - 1] == m_current))
      m_difference = PathText(m_currentPath) + ": differs from the input";
  }
}

void CContentDigests::OnKey(const std::vector<std::u16string>& path, const KeyNode& key) {
  CloseKey();
  if (path.size() > m_skipDeeperThan) return;
  m_skipDeeperThan = SIZE_MAX;
  if (m_leaveOutVolatile && (key.flags & kKeyVolatile) != 0) {
    m_skipDeeperThan = path.size();
    return;
  }
  m_open = true;
  ++m_keys;
  if (m_pExpected && m_difference.empty()) m_currentPath.assign(path.begin(), path.end());
  m_current = KeyDigest{kSeedA, kSeedB};
  std::uint16_t flags = static_cast<std::uint16_t>(key.flags & ~kKeyCompressedName);
  // The writer marks the root as the hive's entry key whether or not it was.
  if (path.size() == 1) flags |= kKeyHiveEntry;
  Add(path.size());
  AddBytes(path.back().data(), path.back().size() * sizeof(char16_t));
  Add(flags);
  Add(key.flagsAboveLargestName);
  Add(key.lastWritten);
  Add(key.spare);
}

void CContentDigests::OnKeyRecords(Bytes securityDescriptor, Bytes className) {
  if (!m_open) return;
  AddBytes(className.data(), className.size());
  AddBytes(securityDescriptor.data(), securityDescriptor.size());
}

void CContentDigests::OnValue(const std::u16string& name, const ValueKey& record, Bytes data) {
  if (!m_open) return;
  AddBytes(name.data(), name.size() * sizeof(char16_t));
  Add(record.type);
  Add(static_cast<std::uint16_t>(record.flags & ~kValueCompressedName));
  Add(record.spare);
  AddBytes(data.data(), data.size());
}

const std::vector<KeyDigest>& CContentDigests::Recorded() {
  CloseKey();
  return m_recorded;
}

bool CContentDigests::Matched() {
  CloseKey();
  if (m_difference.empty() && m_pExpected && m_keys < m_pExpected->size())
    m_difference = std::to_string(m_pExpected->size() - m_keys) + " keys of the input are missing";
  return m_difference.empty();
}

}  // namespace hive
