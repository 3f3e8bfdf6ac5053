#include "hive/ContentIndex.h"

#include "hive/Names.h"
#include "hive/Records.h"

namespace hive {

CContentIndexer::CContentIndexer(ContentIndex& index, bool leaveOutVolatile, IHiveVisitor* next)
    : m_index(index), m_leaveOutVolatile(leaveOutVolatile), m_pNext(next) {}

void CContentIndexer::OnCell(std::uint32_t offset) {
  if (m_pNext) m_pNext->OnCell(offset);
  m_cell = offset;
}

void CContentIndexer::OnKey(const std::vector<std::u16string>& path, const KeyNode& key) {
  if (m_pNext) m_pNext->OnKey(path, key);
  m_pPath = &path;
  m_skipping = path.size() > m_skipDeeperThan;
  if (m_skipping) return;
  m_skipDeeperThan = SIZE_MAX;
  if (m_leaveOutVolatile && (key.flags & kKeyVolatile) != 0) {
    m_skipping = true;
    m_skipDeeperThan = path.size();
    return;
  }
  m_open.resize(path.size() - 1);
  IndexedKey indexed;
  indexed.cell = m_cell;
  indexed.parent = m_open.empty() ? kNoCell : m_open.back();
  indexed.firstValue = static_cast<std::uint32_t>(m_index.values.size());
  m_open.push_back(static_cast<std::uint32_t>(m_index.keys.size()));
  m_index.keys.push_back(indexed);
}

void CContentIndexer::OnKeyRecords(Bytes securityDescriptor, Bytes className) {
  if (m_pNext) m_pNext->OnKeyRecords(securityDescriptor, className);
  if (m_skipping || m_index.keys.empty()) return;
  if (securityDescriptor.empty()) {
    // A written key always has a descriptor: none here would become another's.
    if (m_index.unrepresentable.empty())
      m_index.unrepresentable =
          "key \"" + ToUtf8(m_pPath->back()) + "\" has an empty security descriptor";
    return;
  }
  std::string_view bytes(reinterpret_cast<const char*>(securityDescriptor.data()),
                         securityDescriptor.size());
  auto [found, added] =
      m_descriptorIndex.try_emplace(bytes, static_cast<std::uint32_t>(m_index.descriptors.size()));
  if (added) m_index.descriptors.push_back(securityDescriptor);
  m_index.keys.back().descriptor = found->second;
}

void CContentIndexer::OnValue(const std::u16string& name, const ValueKey& record, Bytes data) {
  if (m_pNext) m_pNext->OnValue(name, record, data);
  if (m_skipping || m_index.keys.empty()) return;
  m_index.values.push_back(m_cell);
  ++m_index.keys.back().valueCount;
}

}  // namespace hive
