#include "hive/CompactedSizeCounter.h"

#include "hive/CellPacking.h"
#include "hive/HiveWriter.h"
#include "hive/RecordLayout.h"
#include "hive/WrittenCellSizes.h"

namespace hive {

namespace {

std::string_view View(Bytes bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

CCompactedSizeCounter::CCompactedSizeCounter(std::uint32_t writtenMinor, IHiveVisitor* next)
    : m_minor(writtenMinor), m_pNext(next) {}

void CCompactedSizeCounter::OnKey(const std::vector<std::u16string>& path, const KeyNode& key) {
  if (m_pNext) m_pNext->OnKey(path, key);
  while (m_open.size() >= path.size()) Close();
  if (!m_open.empty()) ++m_open.back().subkeys;
  m_open.push_back(OpenKey{});
  try {
    m_cells.push_back(KeyNodeCellSize(path.back()));
  } catch (const HiveWriteError&) {
    m_tooLarge = true;
  }
}

void CCompactedSizeCounter::OnKeyRecords(Bytes securityDescriptor, Bytes className) {
  if (m_pNext) m_pNext->OnKeyRecords(securityDescriptor, className);
  // One security record per distinct descriptor, as the writer shares them.
  if (securityDescriptor.empty() && m_open.size() == 1)
    m_descriptors.insert(View(Bytes(kEmptyDescriptor)));
  else if (!securityDescriptor.empty())
    m_descriptors.insert(View(securityDescriptor));
  if (!className.empty()) m_cells.push_back(CellSize(className.size()));
}

void CCompactedSizeCounter::OnValue(const std::u16string& name, const ValueKey& record,
                                    Bytes data) {
  if (m_pNext) m_pNext->OnValue(name, record, data);
  if (m_open.empty()) return;
  ++m_open.back().values;
  try {
    AddValueCells(name, data.size(), m_minor, m_cells);
  } catch (const HiveWriteError&) {
    m_tooLarge = true;
  }
}

void CCompactedSizeCounter::Close() {
  const OpenKey& key = m_open.back();
  if (key.values != 0) m_cells.push_back(ValueListCellSize(key.values));
  AddSubkeyListCells(key.subkeys, m_cells);
  m_open.pop_back();
}

std::uint64_t CCompactedSizeCounter::Finish() {
  while (!m_open.empty()) Close();
  for (std::string_view descriptor : m_descriptors)
    m_cells.push_back(SecurityCellSize(descriptor.size()));
  if (m_tooLarge) return 0;
  return kBaseBlockSize + PackCells(m_cells).binsSize;
}

}  // namespace hive
