#include "tests/hive/HiveBuilder.h"

#include "hive/BaseBlock.h"
#include "hive/Names.h"

#include <algorithm>
#include <cstring>

namespace hivetest {

namespace {

constexpr std::uint32_t kPage = 4096;
constexpr std::uint32_t kNone = 0xFFFFFFFF;
constexpr std::size_t kLeafSize = 500;
constexpr std::size_t kSegment = 16344;

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
    m_bytes.resize(kPage, 0);
  }

  std::uint32_t Allocate(std::size_t dataSize) {
    std::uint32_t size = static_cast<std::uint32_t>((dataSize + 4 + 7) / 8 * 8);
    if (m_binEnd - m_next < size + m_freeGap) {
      CloseBin();
      std::uint32_t binSize =
          std::max<std::uint32_t>(kPage, (size + m_freeGap + 32 + kPage - 1) / kPage * kPage);
      std::uint32_t binOffset = static_cast<std::uint32_t>(m_bytes.size() - kPage);
      m_bytes.resize(m_bytes.size() + binSize, 0);
      std::memcpy(&m_bytes[kPage + binOffset], "hbin", 4);
      Put32(binOffset + 4, binOffset, true);
      Put32(binOffset + 8, binSize, true);
      m_next = binOffset + 32;
      m_binEnd = binOffset + binSize;
    }
    if (m_freeGap != 0) {
      Put32(m_next, m_freeGap, true);
      m_next += m_freeGap;
    }
    std::uint32_t offset = m_next;
    Put32(offset, static_cast<std::uint32_t>(-static_cast<std::int32_t>(size)), true);
    m_next += size;
    return offset;
  }

  void CloseBin() {
    if (m_binEnd > m_next) Put32(m_next, m_binEnd - m_next, true);
    m_next = m_binEnd;
  }

  void Put32(std::uint32_t cell, std::uint32_t value, bool raw = false) {
    hive::WriteU32(m_bytes, kPage + cell + (raw ? 0 : 4), value);
  }
  void Put16(std::uint32_t at, std::uint16_t value) {
    m_bytes[kPage + at + 4] = static_cast<std::uint8_t>(value);
    m_bytes[kPage + at + 5] = static_cast<std::uint8_t>(value >> 8);
  }
  void PutBytes(std::uint32_t at, const std::uint8_t* data, std::size_t size) {
    if (size) std::memcpy(&m_bytes[kPage + at + 4], data, size);
  }
  void PutText(std::uint32_t at, const char* text) {
    PutBytes(at, reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
  }

  std::vector<std::uint8_t>& Bytes() { return m_bytes; }
  BuildLayout& Layout() { return m_layout; }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::uint32_t m_next = 0;
  std::uint32_t m_binEnd = 0;
  BuildLayout& m_layout;
  std::uint32_t m_freeGap;
};

std::uint32_t WriteData(CWriter& w, const std::vector<std::uint8_t>& data) {
  if (data.size() <= kSegment) {
    std::uint32_t cell = w.Allocate(data.size());
    w.PutBytes(cell, data.data(), data.size());
    return cell;
  }
  std::size_t segments = (data.size() + kSegment - 1) / kSegment;
  std::uint32_t db = w.Allocate(8);
  std::uint32_t list = w.Allocate(4 * segments);
  w.PutText(db, "db");
  w.Put16(db + 2, static_cast<std::uint16_t>(segments));
  w.Put32(db + 4, list);
  for (std::size_t i = 0; i < segments; ++i) {
    std::size_t chunk = std::min(kSegment, data.size() - i * kSegment);
    std::uint32_t segment = w.Allocate(kSegment);
    w.PutBytes(segment, data.data() + i * kSegment, chunk);
    w.Put32(list + static_cast<std::uint32_t>(4 * i), segment);
  }
  w.Layout().bigData.push_back(db);
  return db;
}

std::uint32_t WriteValue(CWriter& w, const BuildValue& value) {
  bool compressed = Latin1(value.name);
  std::vector<std::uint8_t> name = EncodeName(value.name, compressed);
  std::uint32_t vk = w.Allocate(20 + name.size());
  w.PutText(vk, "vk");
  w.Put16(vk + 2, static_cast<std::uint16_t>(name.size()));
  std::uint32_t size = static_cast<std::uint32_t>(value.data.size());
  if (size <= 4) {
    std::uint8_t inlineData[4] = {0, 0, 0, 0};
    std::copy(value.data.begin(), value.data.end(), inlineData);
    w.Put32(vk + 4, size | 0x80000000u);
    w.PutBytes(vk + 8, inlineData, 4);
  } else {
    w.Put32(vk + 4, size);
    w.Put32(vk + 8, WriteData(w, value.data));
  }
  w.Put32(vk + 12, value.type);
  w.Put16(vk + 16, compressed ? 1 : 0);
  w.PutBytes(vk + 20, name.data(), name.size());
  w.Layout().values.push_back(vk);
  return vk;
}

std::uint32_t WriteKey(CWriter& w, const BuildKey& key, std::uint32_t parent) {
  bool compressed = Latin1(key.name);
  std::vector<std::uint8_t> name = EncodeName(key.name, compressed);
  std::uint32_t nk = w.Allocate(76 + name.size());
  w.Layout().keys.push_back(nk);
  std::uint16_t flags = compressed ? 0x20 : 0;
  if (parent == kNone) flags |= 0x04 | 0x08;
  w.PutText(nk, "nk");
  w.Put16(nk + 2, flags);
  w.Put32(nk + 4, 0x5A5A5A5A);
  w.Put32(nk + 8, 0x01D00000);
  w.Put32(nk + 16, parent);
  w.Put32(nk + 28, kNone);
  w.Put32(nk + 32, kNone);
  w.Put32(nk + 40, kNone);
  w.Put32(nk + 44, w.Layout().security);
  w.Put32(nk + 48, kNone);
  w.Put16(nk + 72, static_cast<std::uint16_t>(name.size()));
  w.PutBytes(nk + 76, name.data(), name.size());

  if (!key.className.empty()) {
    std::vector<std::uint8_t> text = EncodeName(key.className, false);
    std::uint32_t cell = w.Allocate(text.size());
    w.PutBytes(cell, text.data(), text.size());
    w.Put32(nk + 48, cell);
    w.Put16(nk + 74, static_cast<std::uint16_t>(text.size()));
  }

  std::uint32_t largestValueName = 0;
  std::uint32_t largestValueData = 0;
  if (!key.values.empty()) {
    std::uint32_t list = w.Allocate(4 * key.values.size());
    w.Layout().valueLists.push_back(list);
    for (std::size_t i = 0; i < key.values.size(); ++i) {
      w.Put32(list + static_cast<std::uint32_t>(4 * i), WriteValue(w, key.values[i]));
      largestValueName =
          std::max(largestValueName, static_cast<std::uint32_t>(key.values[i].name.size() * 2));
      largestValueData =
          std::max(largestValueData, static_cast<std::uint32_t>(key.values[i].data.size()));
    }
    w.Put32(nk + 36, static_cast<std::uint32_t>(key.values.size()));
    w.Put32(nk + 40, list);
  }
  w.Put32(nk + 60, largestValueName);
  w.Put32(nk + 64, largestValueData);

  std::vector<const BuildKey*> sorted;
  for (const BuildKey& child : key.subkeys) sorted.push_back(&child);
  std::sort(sorted.begin(), sorted.end(), [](const BuildKey* a, const BuildKey* b) {
    return hive::CompareNames(a->name, b->name) < 0;
  });
  std::vector<std::uint32_t> children;
  std::uint32_t largestName = 0;
  std::uint32_t largestClass = 0;
  for (const BuildKey* child : sorted) {
    children.push_back(WriteKey(w, *child, nk));
    largestName = std::max(largestName, static_cast<std::uint32_t>(child->name.size() * 2));
    largestClass = std::max(largestClass, static_cast<std::uint32_t>(child->className.size() * 2));
  }
  if (!children.empty()) {
    std::vector<std::uint32_t> leaves;
    for (std::size_t start = 0; start < children.size(); start += kLeafSize) {
      std::size_t count = std::min(kLeafSize, children.size() - start);
      std::uint32_t leaf = w.Allocate(4 + 8 * count);
      w.PutText(leaf, "lh");
      w.Put16(leaf + 2, static_cast<std::uint16_t>(count));
      for (std::size_t i = 0; i < count; ++i) {
        w.Put32(leaf + static_cast<std::uint32_t>(4 + 8 * i), children[start + i]);
        w.Put32(leaf + static_cast<std::uint32_t>(8 + 8 * i),
                hive::NameHash(sorted[start + i]->name));
      }
      w.Layout().lists.push_back(leaf);
      leaves.push_back(leaf);
    }
    std::uint32_t list = leaves.front();
    if (leaves.size() > 1) {
      list = w.Allocate(4 + 4 * leaves.size());
      w.PutText(list, "ri");
      w.Put16(list + 2, static_cast<std::uint16_t>(leaves.size()));
      for (std::size_t i = 0; i < leaves.size(); ++i)
        w.Put32(list + static_cast<std::uint32_t>(4 + 4 * i), leaves[i]);
      w.Layout().lists.push_back(list);
    }
    w.Put32(nk + 20, static_cast<std::uint32_t>(children.size()));
    w.Put32(nk + 28, list);
  }
  w.Put32(nk + 52, largestName);
  w.Put32(nk + 56, largestClass);
  return nk;
}

std::size_t CountKeys(const BuildKey& key) {
  std::size_t count = 1;
  for (const BuildKey& child : key.subkeys) count += CountKeys(child);
  return count;
}

}  // namespace

void SealBaseBlock(std::vector<std::uint8_t>& hive) {
  hive::StoreBaseBlockChecksum(std::span<std::uint8_t>(hive.data(), hive::kBaseBlockSize));
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
  std::uint32_t sk = w.Allocate(20 + sizeof descriptor);
  out.security = sk;
  w.PutText(sk, "sk");
  w.Put32(sk + 4, sk);
  w.Put32(sk + 8, sk);
  w.Put32(sk + 12, static_cast<std::uint32_t>(CountKeys(root)));
  w.Put32(sk + 16, sizeof descriptor);
  w.PutBytes(sk + 20, descriptor, sizeof descriptor);
  std::uint32_t rootCell = WriteKey(w, root, kNone);
  w.CloseBin();

  std::vector<std::uint8_t>& bytes = w.Bytes();
  std::memcpy(bytes.data(), "regf", 4);
  hive::WriteU32(bytes, 4, 1);
  hive::WriteU32(bytes, 8, 1);
  hive::WriteU32(bytes, 20, 1);
  hive::WriteU32(bytes, 24, 5);
  hive::WriteU32(bytes, 32, 1);
  hive::WriteU32(bytes, 36, rootCell);
  hive::WriteU32(bytes, 40, static_cast<std::uint32_t>(bytes.size() - kPage));
  hive::WriteU32(bytes, 44, 1);
  SealBaseBlock(bytes);
  return std::move(bytes);
}

}  // namespace hivetest
