#pragma once
// A 128-bit digest of each key's own content (depth, name, flags, times,
// class name, security descriptor, values with their flags and data), in
// walk order. Two walks that give equal lists read the same tree, whatever
// the layout: the depths in depth-first order fix its shape. This is how a
// written hive is checked against its input without both in memory at once.

#include "hive/HiveVisitor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hive {

struct KeyDigest {
  std::uint64_t a = 0;
  std::uint64_t b = 0;
  bool operator==(const KeyDigest&) const = default;
};

class CContentDigests : public IHiveVisitor {
 public:
  // Records the digests when `expected` is null, else compares with it as
  // the walk goes. Keys marked volatile, and all below them, are skipped
  // when `leaveOutVolatile`, as the writer leaves them out.
  explicit CContentDigests(const std::vector<KeyDigest>* expected = nullptr,
                           bool leaveOutVolatile = false);

  void OnKey(const std::vector<std::u16string>& path, const KeyNode& key) override;
  void OnKeyRecords(Bytes securityDescriptor, Bytes className) override;
  void OnValue(const std::u16string& name, const ValueKey& record, Bytes data) override;

  // Call after the walk. Recording: the digests. Comparing: true when every
  // key matched and none is missing, else Difference() names the first key.
  const std::vector<KeyDigest>& Recorded();
  bool Matched();
  const std::string& Difference() const { return m_difference; }

 private:
  void Add(std::uint64_t word);
  void AddBytes(const void* bytes, std::size_t size);
  void CloseKey();

  const std::vector<KeyDigest>* m_pExpected;
  bool m_leaveOutVolatile;
  std::vector<KeyDigest> m_recorded;
  KeyDigest m_current;
  bool m_open = false;
  std::size_t m_skipDeeperThan = SIZE_MAX;  // depth of a volatile key being left out
  std::size_t m_keys = 0;
  std::vector<std::u16string> m_currentPath;  // of the key being compared
  std::string m_difference;
};

}  // namespace hive
