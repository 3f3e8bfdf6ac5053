#pragma once
// Counts, while a walk reports the content, the cells the writer would give
// it, and packs them as the writer does: the size `compact` would write,
// without building the tree.

#include "hive/HiveVisitor.h"

#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace hive {

class CCompactedSizeCounter : public IHiveVisitor {
 public:
  // `writtenMinor`: the format the writer would use; `next` (may be null)
  // gets every call too.
  CCompactedSizeCounter(std::uint32_t writtenMinor, IHiveVisitor* next);

  void OnKey(const std::vector<std::u16string>& path, const KeyNode& key) override;
  void OnKeyRecords(Bytes securityDescriptor, Bytes className) override;
  void OnValue(const std::u16string& name, const ValueKey& record, Bytes data) override;
  void OnCell(std::uint32_t offset) override {
    if (m_pNext) m_pNext->OnCell(offset);
  }

  // The file size; 0 when the content holds a record no hive could. The
  // descriptors seen must still be readable.
  std::uint64_t Finish();

 private:
  struct OpenKey {
    std::size_t subkeys = 0;
    std::size_t values = 0;
  };
  void Close();

  std::uint32_t m_minor;
  IHiveVisitor* m_pNext;
  std::vector<OpenKey> m_open;
  std::vector<std::uint32_t> m_cells;
  std::unordered_set<std::string_view> m_descriptors;
  bool m_tooLarge = false;
};

}  // namespace hive
