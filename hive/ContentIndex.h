#pragma once
// Where a hive's content lies in its file, noted while a walk reports it:
// each key's and value's record cell and each distinct security descriptor,
// without copying a name or a byte of data. What a writer needs to write the
// same content afresh, reading it from the file as it goes.

#include "hive/HiveVisitor.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hive {

struct IndexedKey {
  std::uint32_t cell = 0;        // the nk record's cell
  std::uint32_t parent = 0;      // index of the parent key; kNoCell for the root
  std::uint32_t firstValue = 0;  // into ContentIndex::values
  std::uint32_t valueCount = 0;
  std::uint32_t descriptor = 0;  // into ContentIndex::descriptors
};

struct ContentIndex {
  std::vector<IndexedKey> keys;       // in walk order: depth first, siblings as stored
  std::vector<std::uint32_t> values;  // vk record cells, each key's in order
  std::vector<Bytes> descriptors;     // distinct ones, in the file read
  // Why the content cannot be written as it stands; empty when it can.
  std::string unrepresentable;
};

class CContentIndexer : public IHiveVisitor {
 public:
  // `next` (may be null) gets every call too. Keys marked volatile, and all
  // below them, are left out when `leaveOutVolatile`.
  CContentIndexer(ContentIndex& index, bool leaveOutVolatile, IHiveVisitor* next);

  void OnCell(std::uint32_t offset) override;
  void OnKey(const std::vector<std::u16string>& path, const KeyNode& key) override;
  void OnKeyRecords(Bytes securityDescriptor, Bytes className) override;
  void OnValue(const std::u16string& name, const ValueKey& record, Bytes data) override;

 private:
  ContentIndex& m_index;
  bool m_leaveOutVolatile;
  IHiveVisitor* m_pNext;
  std::uint32_t m_cell = 0;
  const std::vector<std::u16string>* m_pPath = nullptr;  // the walk's, during its calls
  std::vector<std::uint32_t> m_open;  // keys from the root down to the last one seen
  bool m_skipping = false;
  std::size_t m_skipDeeperThan = SIZE_MAX;
  std::unordered_map<std::string_view, std::uint32_t> m_descriptorIndex;
};

}  // namespace hive
