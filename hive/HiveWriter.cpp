#include "hive/HiveWriter.h"

#include "hive/BaseBlock.h"
#include "hive/CellPacking.h"
#include "hive/Hive.h"
#include "hive/Names.h"
#include "hive/RecordWriting.h"
#include "hive/Records.h"
#include "hive/WrittenCellSizes.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace hive {

namespace {

constexpr std::uint32_t kFirstHashLeafMinor = 5;
constexpr std::uint32_t kLargestBinsSize = 0xFFFFF000 - kBaseBlockSize;

std::uint16_t NameLengthField(const std::u16string& name, const char* what) {
  std::uint32_t size = StoredNameSize(name);
  if (size > 0xFFFF)
    throw HiveWriteError(std::string(what) + " name of " + std::to_string(size) +
                         " bytes is too long");
  return static_cast<std::uint16_t>(size);
}

struct SecurityPlan {
  const std::vector<std::uint8_t>* descriptor = nullptr;
  std::uint32_t cell = 0;
  std::uint32_t references = 0;
};

struct ValuePlan {
  const HiveValue* value = nullptr;
  std::uint32_t vk = 0;
  std::uint32_t data = kNoCell;  // data cell, or db record
  std::uint32_t segments = 0;    // segments of a db record: list at data + 1, then each
};

struct KeyPlan {
  const HiveKey* key = nullptr;
  std::uint32_t parent = kNoCell;  // plan index
  std::uint32_t nk = 0;
  std::uint32_t classCell = kNoCell;
  std::uint32_t valueList = kNoCell;
  std::uint32_t firstValue = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t list = kNoCell;  // the leaf, or the ri over the leaves
  std::uint32_t leaves = 0;      // leaves after an ri, at list + 1 on
  std::uint32_t firstChild = 0;  // plan index; children are consecutive
  std::uint32_t childCount = 0;
  std::uint32_t security = 0;  // index into the security plans
};

// Every cell of the new hive, sized, in a fixed order: keys breadth-first,
// each with its records, so that a key's children have consecutive plans.
class CHivePlan {
 public:
  CHivePlan(const HiveTree& tree, const WriteOptions& options)
      : m_minor(WrittenMinorVersion(tree, options)),
        m_leaveOutVolatile(options.leaveOutVolatileKeys) {
    m_keys.push_back(KeyPlan{&tree.root});
    for (std::uint32_t i = 0; i < m_keys.size(); ++i) PlanKey(i);
  }

  std::uint32_t Minor() const { return m_minor; }
  const std::vector<std::uint32_t>& CellSizes() const { return m_sizes; }
  const std::vector<KeyPlan>& Keys() const { return m_keys; }
  const std::vector<ValuePlan>& Values() const { return m_values; }
  const std::vector<SecurityPlan>& Securities() const { return m_securities; }
  const std::vector<const HiveKey*>& Children() const { return m_children; }
  bool HashLeaves() const { return m_minor >= kFirstHashLeafMinor; }

 private:
  std::uint32_t AddCell(std::uint64_t dataSize) {
    m_sizes.push_back(CellSize(dataSize));
    return Last();
  }
  std::uint32_t AddSecurityCell(std::size_t descriptorSize) {
    m_sizes.push_back(SecurityCellSize(descriptorSize));
    return Last();
  }
  std::uint32_t Next() const { return static_cast<std::uint32_t>(m_sizes.size()); }
  std::uint32_t Last() const { return Next() - 1; }

  void PlanKey(std::uint32_t index) {
    const HiveKey& key = *m_keys[index].key;
    NameLengthField(key.name, "key");
    // What Windows would drop at load is refused here, not written.
    if (index != 0 && (key.name.empty() || key.name.front() == u'\0'))
      throw HiveWriteError("a subkey of \"" + ToUtf8(m_keys[m_keys[index].parent].key->name) +
                           "\" has an empty name or one starting with NUL");
    if ((key.flags & kKeySymbolicLink) != 0 &&
        (key.values.size() > 1 ||
         (key.values.size() == 1 && CompareNames(key.values[0].name, u"SymbolicLinkValue") != 0)))
      throw HiveWriteError("symbolic-link key \"" + ToUtf8(key.name) +
                           "\" holds values other than its one \"SymbolicLinkValue\"");
    m_sizes.push_back(KeyNodeCellSize(key.name));
    m_keys[index].nk = Last();
    m_keys[index].security = PlanSecurity(index);
    if (!key.className.empty()) {
      if (key.className.size() > 0xFFFF)
        throw HiveWriteError("class name of " + std::to_string(key.className.size()) +
                             " bytes is too long");
      m_keys[index].classCell = AddCell(key.className.size());
    }
    if (!key.values.empty()) {
      m_sizes.push_back(ValueListCellSize(key.values.size()));
      m_keys[index].valueList = Last();
    }
    m_keys[index].firstValue = static_cast<std::uint32_t>(m_values.size());
    m_keys[index].valueCount = static_cast<std::uint32_t>(key.values.size());
    for (const HiveValue& value : key.values) PlanValue(value);
    PlanSubkeys(index);
  }

  void PlanValue(const HiveValue& value) {
    NameLengthField(value.name, "value");
    ValuePlan plan{&value, Next()};
    std::uint64_t size = value.data.size();
    AddValueCells(value.name, size, m_minor, m_sizes);
    plan.segments = BigDataSegments(size, m_minor);
    if (size > vk::kInlineCapacity) plan.data = plan.vk + 1;
    m_values.push_back(plan);
  }

  void PlanSubkeys(std::uint32_t index) {
    const HiveKey& key = *m_keys[index].key;
    std::size_t first = m_children.size();
    for (const HiveKey& subkey : key.subkeys)
      if (!m_leaveOutVolatile || (subkey.flags & kKeyVolatile) == 0) m_children.push_back(&subkey);
    auto begin = m_children.begin() + static_cast<std::ptrdiff_t>(first);
    std::stable_sort(begin, m_children.end(), [](const HiveKey* a, const HiveKey* b) {
      return CompareNames(a->name, b->name) < 0;
    });
    for (auto it = begin; it != m_children.end() && it + 1 != m_children.end(); ++it)
      if (CompareNames((*it)->name, (*(it + 1))->name) == 0)
        throw HiveWriteError("two subkeys of \"" + ToUtf8(key.name) + "\" share the name \"" +
                             ToUtf8((*it)->name) + "\"");
    std::size_t count = m_children.size() - first;
    m_keys[index].firstChild = static_cast<std::uint32_t>(m_keys.size());
    m_keys[index].childCount = static_cast<std::uint32_t>(count);
    if (count == 0) return;
    m_keys[index].list = Next();
    AddSubkeyListCells(count, m_sizes);
    if (count > LeafCapacity())
      m_keys[index].leaves = static_cast<std::uint32_t>(Next() - m_keys[index].list - 1);
    for (std::size_t i = first; i < m_children.size(); ++i) {
      KeyPlan child;
      child.key = m_children[i];
      child.parent = index;
      m_keys.push_back(child);
    }
  }

  std::uint32_t PlanSecurity(std::uint32_t index) {
    const KeyPlan& plan = m_keys[index];
    if (plan.key->security.empty()) {
      if (plan.parent != kNoCell) {
        std::uint32_t inherited = m_keys[plan.parent].security;
        ++m_securities[inherited].references;
        return inherited;
      }
      if (m_empty.empty()) m_empty.assign(std::begin(kEmptyDescriptor), std::end(kEmptyDescriptor));
      return Share(m_empty);
    }
    return Share(plan.key->security);
  }

  std::uint32_t Share(const std::vector<std::uint8_t>& descriptor) {
    std::string_view bytes(reinterpret_cast<const char*>(descriptor.data()), descriptor.size());
    auto [found, added] =
        m_securityByBytes.try_emplace(bytes, static_cast<std::uint32_t>(m_securities.size()));
    if (added)
      m_securities.push_back(SecurityPlan{&descriptor, AddSecurityCell(descriptor.size()), 0});
    ++m_securities[found->second].references;
    return found->second;
  }

  std::uint32_t m_minor;
  bool m_leaveOutVolatile;
  std::vector<std::uint32_t> m_sizes;
  std::vector<KeyPlan> m_keys;
  std::vector<ValuePlan> m_values;
  std::vector<SecurityPlan> m_securities;
  std::vector<const HiveKey*> m_children;
  std::vector<std::uint8_t> m_empty;
  std::unordered_map<std::string_view, std::uint32_t> m_securityByBytes;
};

// Fills the file once the layout is known; every offset it stores is a cell
// offset relative to the hive bins data.
class CHiveSerializer {
 public:
  CHiveSerializer(const HiveTree& tree, const CHivePlan& plan, const CellLayout& layout,
                  std::vector<std::uint8_t>& file)
      : m_tree(tree), m_plan(plan), m_layout(layout), m_file(file) {}

  void Write() {
    m_file.assign(kBaseBlockSize + m_layout.binsSize, 0);
    WriteBaseBlock(m_file, m_tree.header, m_plan.Minor(), At(m_plan.Keys().front().nk),
                   static_cast<std::uint32_t>(m_layout.binsSize));
    for (const PackedBin& bin : m_layout.bins) {
      std::memcpy(&m_file[kBaseBlockSize + bin.offset + hbin::kSignature], "hbin", 4);
      Put32Raw(bin.offset + hbin::kOffset, bin.offset);
      Put32Raw(bin.offset + hbin::kSize, bin.size);
    }
    for (const FreeGap& gap : m_layout.gaps) Put32Raw(gap.offset + cell::kSizeField, gap.size);
    for (std::size_t i = 0; i < m_plan.CellSizes().size(); ++i)
      Put32Raw(m_layout.offsets[i] + cell::kSizeField,
               static_cast<std::uint32_t>(-static_cast<std::int64_t>(m_plan.CellSizes()[i])));
    WriteSecurities();
    for (const KeyPlan& key : m_plan.Keys()) WriteKey(key);
  }

 private:
  std::uint32_t At(std::uint32_t index) const { return m_layout.offsets[index]; }
  std::uint32_t CellOrNone(std::uint32_t index) const {
    return index == kNoCell ? kNoCell : At(index);
  }
  std::uint8_t* Data(std::uint32_t index) {
    return &m_file[kBaseBlockSize + At(index) + cell::kDataStart];
  }
  void Put32Raw(std::uint32_t offset, std::uint32_t value) {
    WriteU32(m_file, kBaseBlockSize + offset, value);
  }

  void WriteSecurities() {
    const std::vector<SecurityPlan>& securities = m_plan.Securities();
    std::size_t count = securities.size();
    for (std::size_t i = 0; i < count; ++i) {
      const SecurityPlan& security = securities[i];
      WriteSecurityRecord(Data(security.cell), At(securities[(i + 1) % count].cell),
                          At(securities[(i + count - 1) % count].cell), security.references,
                          Bytes(*security.descriptor));
    }
  }

  void WriteKey(const KeyPlan& plan) {
    const HiveKey& key = *plan.key;
    KeyRecordFields fields;
    for (std::uint32_t i = 0; i < plan.childCount; ++i) {
      const HiveKey& child = *m_plan.Keys()[plan.firstChild + i].key;
      fields.largestName = std::max(fields.largestName, NameBytes(child.name));
      fields.largestClass =
          std::max(fields.largestClass, static_cast<std::uint32_t>(child.className.size()));
    }
    for (std::uint32_t i = 0; i < plan.valueCount; ++i) {
      const ValuePlan& value = m_plan.Values()[plan.firstValue + i];
      fields.largestValueName = std::max(fields.largestValueName, NameBytes(value.value->name));
      fields.largestValueData =
          std::max(fields.largestValueData, static_cast<std::uint32_t>(value.value->data.size()));
      WriteValue(value);
    }
    SetPlacedFields(fields, plan, m_plan.Keys(), m_plan.Securities(), m_layout.offsets);
    fields.flags = key.flags;
    fields.userFlags = key.userFlags;
    fields.accessBits = key.accessBits;
    fields.lastWritten = key.lastWritten;
    fields.classLength = static_cast<std::uint16_t>(key.className.size());
    WriteKeyRecord(Data(plan.nk), key.name, fields);

    if (plan.classCell != kNoCell && !key.className.empty())
      std::memcpy(Data(plan.classCell), key.className.data(), key.className.size());
    if (plan.valueList != kNoCell) {
      std::uint8_t* values = Data(plan.valueList);
      for (std::uint32_t i = 0; i < plan.valueCount; ++i)
        Put32(values + valuelist::kElementSize * i, At(m_plan.Values()[plan.firstValue + i].vk));
    }
    WriteSubkeyLists(plan);
  }

  void WriteSubkeyLists(const KeyPlan& plan) {
    if (plan.list == kNoCell) return;
    if (plan.leaves == 0) {
      WriteLeaf(plan.list, plan.firstChild, plan.childCount);
      return;
    }
    std::uint8_t* ri = Data(plan.list);
    WriteIndexRootHeader(ri, static_cast<std::uint16_t>(plan.leaves));
    for (std::uint32_t leaf = 0; leaf < plan.leaves; ++leaf) {
      std::uint32_t capacity = static_cast<std::uint32_t>(LeafCapacity());
      std::uint32_t first = leaf * capacity;
      std::uint32_t count = std::min<std::uint32_t>(capacity, plan.childCount - first);
      Put32(ri + list::kElements + list::kOffsetElementSize * leaf, At(plan.list + 1 + leaf));
      WriteLeaf(plan.list + 1 + leaf, plan.firstChild + first, count);
    }
  }

  void WriteLeaf(std::uint32_t cell, std::uint32_t firstChild, std::uint32_t count) {
    std::uint8_t* leaf = Data(cell);
    bool hashed = m_plan.HashLeaves();
    WriteLeafHeader(leaf, hashed, static_cast<std::uint16_t>(count));
    for (std::uint32_t i = 0; i < count; ++i) {
      const KeyPlan& child = m_plan.Keys()[firstChild + i];
      WriteLeafElement(leaf, hashed, i, At(child.nk), child.key->name);
    }
  }

  void WriteValue(const ValuePlan& plan) {
    const HiveValue& value = *plan.value;
    ValueRecordFields fields;
    fields.type = value.type;
    fields.flags = value.flags;
    fields.spare = value.spare;
    fields.dataSize = static_cast<std::uint32_t>(value.data.size());
    fields.dataCell = CellOrNone(plan.data);
    WriteValueRecord(Data(plan.vk), value.name, fields, Bytes(value.data));
    if (plan.data != kNoCell) WriteData(plan);
  }

  void WriteData(const ValuePlan& plan) {
    const std::vector<std::uint8_t>& data = plan.value->data;
    if (plan.segments == 0) {
      if (!data.empty()) std::memcpy(Data(plan.data), data.data(), data.size());
      return;
    }
    WriteBigDataHeader(Data(plan.data), static_cast<std::uint16_t>(plan.segments),
                       At(plan.data + 1));
    std::uint8_t* segments = Data(plan.data + 1);
    for (std::uint32_t i = 0; i < plan.segments; ++i) {
      std::uint32_t segment = plan.data + 2 + i;
      std::size_t at = std::size_t{i} * db::kSegmentSize;
      Put32(segments + db::kSegmentListElementSize * i, At(segment));
      std::memcpy(Data(segment), data.data() + at,
                  std::min<std::size_t>(db::kSegmentSize, data.size() - at));
    }
  }

  const HiveTree& m_tree;
  const CHivePlan& m_plan;
  const CellLayout& m_layout;
  std::vector<std::uint8_t>& m_file;
};

CellLayout Pack(const CHivePlan& plan) {
  CellLayout layout = PackCells(plan.CellSizes());
  if (layout.binsSize > kLargestBinsSize)
    throw HiveWriteError("the content needs " + std::to_string(layout.binsSize) +
                         " bytes of hive bins, more than a hive holds");
  return layout;
}

}  // namespace

std::uint32_t WrittenMinorVersion(std::uint32_t fileMinor, const WriteOptions& options) {
  std::uint32_t minor = std::max<std::uint32_t>(fileMinor, 3);
  if (options.format == HiveFormat::Latest) minor = std::max(minor, kFirstHashLeafMinor);
  return minor;
}

std::uint32_t WrittenMinorVersion(const HiveTree& tree, const WriteOptions& options) {
  return WrittenMinorVersion(tree.header.minorVersion, options);
}

std::vector<std::uint8_t> WriteHive(const HiveTree& tree, const WriteOptions& options) {
  CHivePlan plan(tree, options);
  CellLayout layout = Pack(plan);
  std::vector<std::uint8_t> file;
  CHiveSerializer(tree, plan, layout, file).Write();
  return file;
}

std::uint64_t CompactedSize(const HiveTree& tree, const WriteOptions& options) {
  CHivePlan plan(tree, options);
  return kBaseBlockSize + Pack(plan).binsSize;
}

}  // namespace hive
