#include "tests/hive/HiveBuilder.h"

#include "hive/BaseBlock.h"
#include "hive/Names.h"
#include "hive/RecordLayout.h"

#include <algorithm>
#include <cstring>

namespace hivetest {

namespace {

using namespace hive;

constexpr std::size_t kLeafSize = 500;

bool Latin1(const std::u16string& name) {
  return std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x100; });
}

std::vector<std::uint8_t> EncodeName(const std::u16string& name, bool compressed) {
  std::vector<std::uint8_t> bytes;
  for (char16_t c : name) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    if (!compressed) bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

class CWriter {
 public:
  CWriter(BuildLayout& layout, std::uint32_t freeGap) : m_layout(layout), m_freeGap(freeGap) {
    m_bytes.resize(kBaseBlockSize, 0);
  }

  std::uint32_t Allocate(std::size_t dataSize) {
    std::uint32_t size = static_cast<std::uint32_t>(
        (dataSize + cell::kDataStart + cell::kAlignment - 1) / cell::kAlignment * cell::kAlignment);
    if (m_binEnd - m_next < size + m_freeGap) {
      CloseBin();
      std::uint32_t binSize = std::max<std::uint32_t>(
          kPageSize, (size + m_freeGap + kBinHeaderSize + kPageSize - 1) / kPageSize * kPageSize);
      std::uint32_t binOffset = static_cast<std::uint32_t>(m_bytes.size() - kBaseBlockSize);
      m_bytes.resize(m_bytes.size() + binSize, 0);
      std::memcpy(&m_bytes[kBaseBlockSize + binOffset + hbin::kSignature], "hbin", 4);
      PutRaw32(binOffset + hbin::kOffset, binOffset);
      PutRaw32(binOffset + hbin::kSize, binSize);
      m_next = binOffset + kBinHeaderSize;
      m_binEnd = binOffset + binSize;
    }
    if (m_freeGap != 0) {
      PutRaw32(m_next + cell::kSizeField, m_freeGap);
      m_next += m_freeGap;
    }
    std::uint32_t offset = m_next;
    PutRaw32(offset + cell::kSizeField,
             static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)));
    m_next += size;
    return offset;
  }

  void CloseBin() {
    if (m_binEnd > m_next) PutRaw32(m_next + cell::kSizeField, m_binEnd - m_next);
    m_next = m_binEnd;
  }

  // Writes into the hive bins data, not into a cell's record.
  void PutRaw32(std::uint32_t at, std::uint32_t value) {
    WriteU32(m_bytes, kBaseBlockSize + at, value);
  }
  // The Put functions write `field` of the record in the cell at `cell`.
  void Put32(std::uint32_t cell, std::size_t field, std::uint32_t value) {
    WriteU32(m_bytes, Record(cell) + field, value);
  }
  void Put64(std::uint32_t cell, std::size_t field, std::uint64_t value) {
    WriteU64(m_bytes, Record(cell) + field, value);
  }
  void Put16(std::uint32_t cell, std::size_t field, std::uint16_t value) {
    m_bytes[Record(cell) + field] = static_cast<std::uint8_t>(value);
    m_bytes[Record(cell) + field + 1] = static_cast<std::uint8_t>(value >> 8);
  }
  void PutBytes(std::uint32_t cell, std::size_t field, const std::uint8_t* data, std::size_t size) {
    if (size) std::memcpy(&m_bytes[Record(cell) + field], data, size);
  }
  void PutText(std::uint32_t cell, const char* text) {
    PutBytes(cell, 0, reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
  }

  std::vector<std::uint8_t>& Bytes() { return m_bytes; }
  static std::size_t Record(std::uint32_t cell) { return kBaseBlockSize + cell + cell::kDataStart; }
  BuildLayout& Layout() { return m_layout; }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::uint32_t m_next = 0;
  std::uint32_t m_binEnd = 0;
  BuildLayout& m_layout;
  std::uint32_t m_freeGap;
};

std::uint32_t WriteData(CWriter& w, const std::vector<std::uint8_t>& data) {
  if (data.size() <= db::kSegmentSize) {
    std::uint32_t cell = w.Allocate(data.size());
    w.PutBytes(cell, 0, data.data(), data.size());
    return cell;
  }
  std::size_t segments = (data.size() + db::kSegmentSize - 1) / db::kSegmentSize;
  std::uint32_t record = w.Allocate(db::kFixedSize);
  std::uint32_t list = w.Allocate(db::kSegmentListElementSize * segments);
  w.PutText(record, "db");
  w.Put16(record, db::kSegmentCount, static_cast<std::uint16_t>(segments));
  w.Put32(record, db::kSegmentList, list);
  for (std::size_t i = 0; i < segments; ++i) {
    std::size_t chunk = std::min<std::size_t>(db::kSegmentSize, data.size() - i * db::kSegmentSize);
    std::uint32_t segment = w.Allocate(db::kSegmentSize);
    w.PutBytes(segment, 0, data.data() + i * db::kSegmentSize, chunk);
    w.Put32(list, db::kSegmentListElementSize * i, segment);
  }
  w.Layout().bigData.push_back(record);
  return record;
}

std::uint32_t WriteValue(CWriter& w, const BuildValue& value) {
  bool compressed = Latin1(value.name);
  std::vector<std::uint8_t> name = EncodeName(value.name, compressed);
  std::uint32_t record = w.Allocate(vk::kFixedSize + name.size());
  w.PutText(record, "vk");
  w.Put16(record, vk::kNameLength, static_cast<std::uint16_t>(name.size()));
  std::uint32_t size = static_cast<std::uint32_t>(value.data.size());
  if (size <= vk::kInlineCapacity) {
    std::uint8_t inlineData[vk::kInlineCapacity] = {0, 0, 0, 0};
    std::copy(value.data.begin(), value.data.end(), inlineData);
    w.Put32(record, vk::kDataSize, size | kInlineDataBit);
    w.PutBytes(record, vk::kData, inlineData, vk::kInlineCapacity);
  } else {
    w.Put32(record, vk::kDataSize, size);
    w.Put32(record, vk::kData, WriteData(w, value.data));
  }
  w.Put32(record, vk::kType, value.type);
  w.Put16(record, vk::kFlags, compressed ? kValueCompressedName : 0);
  w.PutBytes(record, vk::kName, name.data(), name.size());
  w.Layout().values.push_back(record);
  return record;
}

std::uint32_t WriteKey(CWriter& w, const BuildKey& key, std::uint32_t parent) {
  bool compressed = Latin1(key.name);
  std::vector<std::uint8_t> name = EncodeName(key.name, compressed);
  std::uint32_t record = w.Allocate(nk::kFixedSize + name.size());
  w.Layout().keys.push_back(record);
  std::uint16_t flags = compressed ? kKeyCompressedName : 0;
  if (parent == kNoCell) flags |= kKeyHiveEntry | kKeyNoDelete;
  w.PutText(record, "nk");
  w.Put16(record, nk::kFlags, flags);
  w.Put64(record, nk::kLastWritten, 0x01D000005A5A5A5A);
  w.Put32(record, nk::kParent, parent);
  w.Put32(record, nk::kSubkeyList, kNoCell);
  w.Put32(record, nk::kVolatileSubkeyList, kNoCell);
  w.Put32(record, nk::kValueList, kNoCell);
  w.Put32(record, nk::kSecurity, w.Layout().security);
  w.Put32(record, nk::kClass, kNoCell);
  w.Put16(record, nk::kNameLength, static_cast<std::uint16_t>(name.size()));
  w.PutBytes(record, nk::kName, name.data(), name.size());

  if (!key.className.empty()) {
    std::vector<std::uint8_t> text = EncodeName(key.className, false);
    std::uint32_t cell = w.Allocate(text.size());
    w.PutBytes(cell, 0, text.data(), text.size());
    w.Put32(record, nk::kClass, cell);
    w.Put16(record, nk::kClassLength, static_cast<std::uint16_t>(text.size()));
  }

  std::uint32_t largestValueName = 0;
  std::uint32_t largestValueData = 0;
  if (!key.values.empty()) {
    std::uint32_t list = w.Allocate(valuelist::kElementSize * key.values.size());
    w.Layout().valueLists.push_back(list);
    for (std::size_t i = 0; i < key.values.size(); ++i) {
      w.Put32(list, valuelist::kElementSize * i, WriteValue(w, key.values[i]));
      largestValueName =
          std::max(largestValueName, static_cast<std::uint32_t>(key.values[i].name.size() * 2));
      largestValueData =
          std::max(largestValueData, static_cast<std::uint32_t>(key.values[i].data.size()));
    }
    w.Put32(record, nk::kValueCount, static_cast<std::uint32_t>(key.values.size()));
    w.Put32(record, nk::kValueList, list);
  }
  w.Put32(record, nk::kLargestValueName, largestValueName);
  w.Put32(record, nk::kLargestValueData, largestValueData);

  std::vector<const BuildKey*> sorted;
  for (const BuildKey& child : key.subkeys) sorted.push_back(&child);
  std::sort(sorted.begin(), sorted.end(), [](const BuildKey* a, const BuildKey* b) {
    return hive::CompareNames(a->name, b->name) < 0;
  });
  std::vector<std::uint32_t> children;
  std::uint32_t largestName = 0;
  std::uint32_t largestClass = 0;
  for (const BuildKey* child : sorted) {
    children.push_back(WriteKey(w, *child, record));
    largestName = std::max(largestName, static_cast<std::uint32_t>(child->name.size() * 2));
    largestClass = std::max(largestClass, static_cast<std::uint32_t>(child->className.size() * 2));
  }
  if (!children.empty()) {
    std::vector<std::uint32_t> leaves;
    for (std::size_t start = 0; start < children.size(); start += kLeafSize) {
      std::size_t count = std::min(kLeafSize, children.size() - start);
      std::uint32_t leaf = w.Allocate(list::kElements + list::kHashElementSize * count);
      w.PutText(leaf, "lh");
      w.Put16(leaf, list::kCount, static_cast<std::uint16_t>(count));
      for (std::size_t i = 0; i < count; ++i) {
        std::size_t element = list::kElements + list::kHashElementSize * i;
        w.Put32(leaf, element, children[start + i]);
        w.Put32(leaf, element + list::kElementHint, NameHash(sorted[start + i]->name));
      }
      w.Layout().lists.push_back(leaf);
      leaves.push_back(leaf);
    }
    std::uint32_t top = leaves.front();
    if (leaves.size() > 1) {
      top = w.Allocate(list::kElements + list::kOffsetElementSize * leaves.size());
      w.PutText(top, "ri");
      w.Put16(top, list::kCount, static_cast<std::uint16_t>(leaves.size()));
      for (std::size_t i = 0; i < leaves.size(); ++i)
        w.Put32(top, list::kElements + list::kOffsetElementSize * i, leaves[i]);
      w.Layout().lists.push_back(top);
    }
    w.Put32(record, nk::kSubkeyCount, static_cast<std::uint32_t>(children.size()));
    w.Put32(record, nk::kSubkeyList, top);
  }
  w.Put32(record, nk::kLargestSubkeyName, largestName);
  w.Put32(record, nk::kLargestSubkeyClass, largestClass);
  return record;
}

std::size_t CountKeys(const BuildKey& key) {
  std::size_t count = 1;
  for (const BuildKey& child : key.subkeys) count += CountKeys(child);
  return count;
}

}  // namespace

void SealBaseBlock(std::vector<std::uint8_t>& hive) {
  StoreBaseBlockChecksum(std::span<std::uint8_t>(hive.data(), kBaseBlockSize));
}

std::vector<std::uint8_t> BuildHive(const BuildKey& root, BuildLayout* layout,
                                    std::uint32_t freeGap) {
  BuildLayout scratch;
  BuildLayout& out = layout ? *layout : scratch;
  out = BuildLayout();
  CWriter w(out, freeGap);
  // A minimal self-relative descriptor: revision 1, control SE_SELF_RELATIVE, no owner, group, DACL
  // or SACL.
  const std::uint8_t descriptor[20] = {1, 0, 0, 0x80, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0,    0, 0, 0, 0, 0, 0};
  std::uint32_t security = w.Allocate(sk::kFixedSize + sizeof descriptor);
  out.security = security;
  w.PutText(security, "sk");
  w.Put32(security, sk::kFlink, security);
  w.Put32(security, sk::kBlink, security);
  w.Put32(security, sk::kReferenceCount, static_cast<std::uint32_t>(CountKeys(root)));
  w.Put32(security, sk::kDescriptorSize, sizeof descriptor);
  w.PutBytes(security, sk::kDescriptor, descriptor, sizeof descriptor);
  std::uint32_t rootCell = WriteKey(w, root, kNoCell);
  w.CloseBin();

  std::vector<std::uint8_t>& bytes = w.Bytes();
  std::memcpy(bytes.data() + regf::kSignature, "regf", 4);
  WriteU32(bytes, regf::kPrimarySequence, 1);
  WriteU32(bytes, regf::kSecondarySequence, 1);
  WriteU32(bytes, regf::kMajorVersion, 1);
  WriteU32(bytes, regf::kMinorVersion, 5);
  WriteU32(bytes, regf::kFileFormat, 1);
  WriteU32(bytes, regf::kRootCell, rootCell);
  WriteU32(bytes, regf::kBinsSize, static_cast<std::uint32_t>(bytes.size() - kBaseBlockSize));
  WriteU32(bytes, regf::kClusteringFactor, 1);
  SealBaseBlock(bytes);
  return std::move(bytes);
}

}  // namespace hivetest
