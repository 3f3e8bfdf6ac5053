#pragma once
// Compares a walk of a hive with a tree as the walk goes, without building a
// second tree: the check that a written hive holds exactly the content it was
// written from. Keys are expected in the order the writer stores them
// (siblings sorted, volatile ones left out when asked) and a key with no
// descriptor of its own is expected to carry its parent's.

#include "hive/HiveTree.h"
#include "hive/HiveVisitor.h"

#include <string>
#include <vector>

namespace hive {

class CTreeMatcher : public IHiveVisitor {
 public:
  explicit CTreeMatcher(const HiveKey& expected, bool leaveOutVolatile = false);

  void OnKey(const std::vector<std::u16string>& path, const KeyNode& key) override;
  void OnKeyRecords(Bytes securityDescriptor, Bytes className) override;
  void OnValue(const std::u16string& name, const ValueKey& record, Bytes data) override;

  // Call after the walk: true when everything matched and nothing is missing.
  bool Matched();
  // The first difference, naming the key path.
  const std::string& Difference() const { return m_difference; }

 private:
  struct Frame {
    const HiveKey* key = nullptr;
    const std::vector<std::uint8_t>* security = nullptr;
    std::vector<const HiveKey*> children;
    std::size_t nextChild = 0;
    std::size_t nextValue = 0;
  };
  void Close(const Frame& frame);
  void Differs(const std::string& what);
  std::string PathText() const;

  const HiveKey& m_expected;
  bool m_leaveOutVolatile;
  std::vector<Frame> m_open;
  std::vector<std::u16string> m_path;
  bool m_started = false;
  std::string m_difference;
};

// Sibling keys as the writer stores them: sorted, volatile ones left out
// when the writer was told to.
std::vector<const HiveKey*> StoredSubkeys(const HiveKey& key, bool leaveOutVolatile);

}  // namespace hive
