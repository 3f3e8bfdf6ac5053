#include "hive/StreamedHiveWriter.h"

#include "hive/CellPacking.h"
#include "hive/Hive.h"
#include "hive/Names.h"
#include "hive/RecordWriting.h"
#include "hive/Records.h"
#include "hive/WrittenCellSizes.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace hive {

namespace {

constexpr std::uint32_t kFirstHashLeafMinor = 5;
constexpr std::uint32_t kLargestBinsSize = 0xFFFFF000 - kBaseBlockSize;
constexpr std::size_t kPieceSize = 256 * 1024;

enum class CellKind : std::uint8_t {
  Key,
  Security,
  Class,
  ValueList,
  SubkeyList,  // the leaf or ri at a key's list, then the leaves after an ri
  Value,
  Data,
  BigData,
  SegmentList,
  Segment,
};

struct KeyPlan {
  std::uint32_t source = 0;  // into ContentIndex::keys, while planning
  std::uint32_t cell = 0;    // the input's nk cell
  std::uint32_t parent = kNoCell;
  std::uint32_t nk = 0;
  std::uint32_t classCell = kNoCell;
  std::uint32_t valueList = kNoCell;
  std::uint32_t firstValue = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t list = kNoCell;
  std::uint32_t leaves = 0;
  std::uint32_t firstChild = 0;  // children have consecutive plans
  std::uint32_t childCount = 0;
  std::uint32_t security = 0;
  std::uint32_t largestName = 0;
  std::uint32_t largestClass = 0;
  std::uint32_t largestValueName = 0;
  std::uint32_t largestValueData = 0;
};

struct ValuePlan {
  std::uint32_t source = 0;  // the input's vk cell
  std::uint32_t vk = 0;
  std::uint32_t data = kNoCell;
  std::uint32_t segments = 0;
};

struct SecurityPlan {
  Bytes descriptor;
  std::uint32_t cell = 0;
  std::uint32_t references = 0;
};

KeyNode InputKey(const CHive& hive, std::uint32_t cell) {
  KeyNode key;
  ParseKeyNode(hive.AllocatedCell(cell).value_or(Bytes()), key);
  return key;
}

// The class name as the walk reads it: nothing when its cell is unreadable.
Bytes InputClass(const CHive& hive, const KeyNode& key) {
  std::optional<Bytes> cell = hive.AllocatedCell(key.classOffset);
  if (key.classLength == 0 || !cell || cell->size() < key.classLength) return Bytes();
  return cell->first(key.classLength);
}

// A value's record and its data as the walk reads them, copied a range at a time.
class CInputValue {
 public:
  CInputValue(const CHive& hive, std::uint32_t cell) : m_hive(hive) {
    m_cell = hive.AllocatedCell(cell).value_or(Bytes());
    ParseValueKey(m_cell, m_record);
    std::uint32_t size = m_record.DataSize();
    if (m_record.Inline() || size == 0) return;
    m_data = hive.AllocatedCell(m_record.dataOffset).value_or(Bytes());
    if (hive.Base().minorVersion >= 4 && size > db::kSegmentSize &&
        HasSignature(m_data, db::kSignature, "db"))
      m_segmentList = hive.AllocatedCell(ReadU32(m_data, db::kSegmentList)).value_or(Bytes());
  }

  const ValueKey& Record() const { return m_record; }
  std::u16string Name() const { return DecodeName(m_record.name, m_record.compressedName); }

  void Copy(std::uint64_t from, std::span<std::uint8_t> to) const {
    if (to.empty()) return;
    if (m_record.Inline()) return CopyFrom(m_cell.subspan(vk::kData), from, to);
    if (m_segmentList.empty()) return CopyFrom(m_data, from, to);
    while (!to.empty()) {
      std::uint64_t segment = from / db::kSegmentSize;
      std::uint64_t within = from % db::kSegmentSize;
      Bytes cell =
          m_hive.AllocatedCell(ReadU32(m_segmentList, db::kSegmentListElementSize * segment))
              .value_or(Bytes());
      std::size_t count =
          static_cast<std::size_t>(std::min<std::uint64_t>(to.size(), db::kSegmentSize - within));
      CopyFrom(cell, within, to.first(count));
      to = to.subspan(count);
      from += count;
    }
  }

 private:
  static void CopyFrom(Bytes source, std::uint64_t from, std::span<std::uint8_t> to) {
    // The walk checked these bounds; a short source leaves zeros, never a stray read.
    if (from > source.size()) return;
    std::size_t count = std::min<std::size_t>(to.size(), source.size() - from);
    if (count != 0) std::memcpy(to.data(), source.data() + from, count);
  }

  const CHive& m_hive;
  Bytes m_cell;
  ValueKey m_record;
  Bytes m_data;
  Bytes m_segmentList;
};

// Every cell of the new hive in WriteHive's order: keys breadth-first, each
// with its records, so that a key's children have consecutive plans.
class CIndexedPlan {
 public:
  // Takes what it needs from `index` and empties it.
  CIndexedPlan(const CHive& hive, ContentIndex& index, std::uint32_t minor)
      : m_hive(hive), m_index(index), m_minor(minor) {
    IndexChildren();
    m_keys.reserve(index.keys.size());
    m_values.reserve(index.values.size());
    // Enough cells for all but big data (a key's own, its lists and its
    // security record; a value's record and data): room reserved and not
    // used costs address space, not memory.
    std::size_t cells = index.keys.size() * 5 + index.values.size() * 2;
    m_sizes.reserve(cells);
    m_kinds.reserve(cells);
    m_owners.reserve(cells);
    m_keys.push_back(KeyPlan{});
    for (std::uint32_t i = 0; i < m_keys.size(); ++i) PlanKey(i);
    // Only the plan is needed from here on: the index's memory goes to the packing.
    index = ContentIndex();
    std::vector<std::uint32_t>().swap(m_childStart);
    std::vector<std::uint32_t>().swap(m_children);
  }

  std::uint32_t Minor() const { return m_minor; }
  bool HashLeaves() const { return m_minor >= kFirstHashLeafMinor; }
  const std::vector<std::uint32_t>& CellSizes() const { return m_sizes; }
  CellKind Kind(std::uint32_t cell) const { return m_kinds[cell]; }
  std::uint32_t Owner(std::uint32_t cell) const { return m_owners[cell]; }
  const std::vector<KeyPlan>& Keys() const { return m_keys; }
  const std::vector<ValuePlan>& Values() const { return m_values; }
  const std::vector<SecurityPlan>& Securities() const { return m_securities; }

 private:
  std::uint32_t Add(std::uint32_t size, CellKind kind, std::uint32_t owner) {
    m_sizes.push_back(size);
    m_kinds.push_back(kind);
    m_owners.push_back(owner);
    return static_cast<std::uint32_t>(m_sizes.size() - 1);
  }
  std::uint32_t Next() const { return static_cast<std::uint32_t>(m_sizes.size()); }

  // The index lists keys depth first; their children, as stored, are sorted already.
  void IndexChildren() {
    std::size_t count = m_index.keys.size();
    m_childStart.assign(count + 1, 0);
    for (std::size_t k = 1; k < count; ++k) ++m_childStart[m_index.keys[k].parent + 1];
    for (std::size_t k = 0; k < count; ++k) m_childStart[k + 1] += m_childStart[k];
    m_children.resize(count);
    std::vector<std::uint32_t> next(m_childStart.begin(), m_childStart.end() - 1);
    for (std::size_t k = 1; k < count; ++k)
      m_children[next[m_index.keys[k].parent]++] = static_cast<std::uint32_t>(k);
  }

  void PlanKey(std::uint32_t index) {
    const IndexedKey& source = m_index.keys[m_keys[index].source];
    m_keys[index].cell = source.cell;
    KeyNode node = InputKey(m_hive, source.cell);
    std::u16string name = DecodeName(node.name, node.compressedName);
    if (StoredNameSize(name) > 0xFFFF)
      throw HiveWriteError("key name of " + std::to_string(StoredNameSize(name)) +
                           " bytes is too long");
    if (index != 0 && (name.empty() || name.front() == u'\0'))
      throw HiveWriteError("a subkey has an empty name or one starting with NUL");
    Bytes className = InputClass(m_hive, node);
    if (index != 0) {
      KeyPlan& parent = m_keys[m_keys[index].parent];
      parent.largestName = std::max(parent.largestName, NameBytes(name));
      parent.largestClass =
          std::max(parent.largestClass, static_cast<std::uint32_t>(className.size()));
    }
    m_keys[index].nk = Add(KeyNodeCellSize(name), CellKind::Key, index);
    m_keys[index].security = Share(source.descriptor);
    if (!className.empty())
      m_keys[index].classCell = Add(CellSize(className.size()), CellKind::Class, index);
    if (source.valueCount != 0)
      m_keys[index].valueList =
          Add(ValueListCellSize(source.valueCount), CellKind::ValueList, index);
    m_keys[index].firstValue = static_cast<std::uint32_t>(m_values.size());
    m_keys[index].valueCount = source.valueCount;
    for (std::uint32_t v = 0; v < source.valueCount; ++v)
      PlanValue(index, m_index.values[source.firstValue + v], (node.flags & kKeySymbolicLink) != 0,
                name);
    PlanSubkeys(index);
  }

  void PlanValue(std::uint32_t key, std::uint32_t cell, bool symbolicLink,
                 const std::u16string& keyName) {
    CInputValue input(m_hive, cell);
    std::u16string name = input.Name();
    if (StoredNameSize(name) > 0xFFFF)
      throw HiveWriteError("value name of " + std::to_string(StoredNameSize(name)) +
                           " bytes is too long");
    if (symbolicLink &&
        (m_keys[key].valueCount > 1 || CompareNames(name, u"SymbolicLinkValue") != 0))
      throw HiveWriteError("symbolic-link key \"" + ToUtf8(keyName) +
                           "\" holds values other than its one \"SymbolicLinkValue\"");
    std::uint32_t value = static_cast<std::uint32_t>(m_values.size());
    std::uint64_t size = input.Record().DataSize();
    KeyPlan& owner = m_keys[key];
    owner.largestValueName = std::max(owner.largestValueName, NameBytes(name));
    owner.largestValueData = std::max(owner.largestValueData, input.Record().DataSize());
    ValuePlan plan{cell, Next()};
    std::size_t first = m_sizes.size();
    AddValueCells(name, size, m_minor, m_sizes);
    plan.segments = BigDataSegments(size, m_minor);
    if (size > vk::kInlineCapacity) plan.data = plan.vk + 1;
    m_kinds.push_back(CellKind::Value);
    if (plan.segments == 0 && plan.data != kNoCell) m_kinds.push_back(CellKind::Data);
    if (plan.segments != 0) {
      m_kinds.push_back(CellKind::BigData);
      m_kinds.push_back(CellKind::SegmentList);
      m_kinds.insert(m_kinds.end(), plan.segments, CellKind::Segment);
    }
    m_owners.insert(m_owners.end(), m_sizes.size() - first, value);
    m_values.push_back(plan);
  }

  void PlanSubkeys(std::uint32_t index) {
    std::uint32_t source = m_keys[index].source;
    std::uint32_t first = m_childStart[source];
    std::uint32_t count = m_childStart[source + 1] - first;
    m_keys[index].firstChild = static_cast<std::uint32_t>(m_keys.size());
    m_keys[index].childCount = count;
    if (count == 0) return;
    m_keys[index].list = Next();
    std::size_t before = m_sizes.size();
    AddSubkeyListCells(count, m_sizes);
    m_kinds.insert(m_kinds.end(), m_sizes.size() - before, CellKind::SubkeyList);
    m_owners.insert(m_owners.end(), m_sizes.size() - before, index);
    if (count > LeafCapacity())
      m_keys[index].leaves = static_cast<std::uint32_t>(Next() - m_keys[index].list - 1);
    for (std::uint32_t i = 0; i < count; ++i) {
      KeyPlan child;
      child.source = m_children[first + i];
      child.parent = index;
      m_keys.push_back(child);
    }
  }

  // One security record per distinct descriptor, made where it is first used.
  std::uint32_t Share(std::uint32_t descriptor) {
    if (m_securityOf.size() <= descriptor) m_securityOf.resize(m_index.descriptors.size(), kNoCell);
    std::uint32_t& security = m_securityOf[descriptor];
    if (security == kNoCell) {
      security = static_cast<std::uint32_t>(m_securities.size());
      Bytes bytes = m_index.descriptors[descriptor];
      m_securities.push_back(SecurityPlan{
          bytes, Add(SecurityCellSize(bytes.size()), CellKind::Security, security), 0});
    }
    ++m_securities[security].references;
    return security;
  }

  const CHive& m_hive;
  const ContentIndex& m_index;
  std::uint32_t m_minor;
  std::vector<std::uint32_t> m_childStart;  // by index key: where its children start in m_children
  std::vector<std::uint32_t> m_children;
  std::vector<std::uint32_t> m_sizes;
  std::vector<CellKind> m_kinds;
  std::vector<std::uint32_t> m_owners;  // the key, value or security plan a cell belongs to
  std::vector<KeyPlan> m_keys;
  std::vector<ValuePlan> m_values;
  std::vector<SecurityPlan> m_securities;
  std::vector<std::uint32_t> m_securityOf;  // by descriptor
};

// Fills one bin at a time, cells in file order.
class CBinWriter {
 public:
  CBinWriter(const CHive& hive, const CIndexedPlan& plan, const CellLayout& layout)
      : m_hive(hive), m_plan(plan), m_layout(layout) {}

  void Fill(const PackedBin& bin, std::vector<std::uint8_t>& bytes) {
    m_bin = bin;
    bytes.assign(bin.size, 0);
    m_bytes = bytes.data();
    std::memcpy(m_bytes + hbin::kSignature, "hbin", 4);
    Put32(m_bytes + hbin::kOffset, bin.offset);
    Put32(m_bytes + hbin::kSize, bin.size);
    std::uint64_t end = std::uint64_t{bin.offset} + bin.size;
    for (; m_nextCell < m_layout.order.size(); ++m_nextCell) {
      std::uint32_t cell = m_layout.order[m_nextCell];
      if (m_layout.offsets[cell] >= end) break;
      Put32(m_bytes + m_layout.offsets[cell] - bin.offset + cell::kSizeField,
            static_cast<std::uint32_t>(-static_cast<std::int64_t>(m_plan.CellSizes()[cell])));
      WriteCell(cell);
    }
    for (; m_nextGap < m_layout.gaps.size() && m_layout.gaps[m_nextGap].offset < end; ++m_nextGap)
      Put32(m_bytes + m_layout.gaps[m_nextGap].offset - bin.offset + cell::kSizeField,
            m_layout.gaps[m_nextGap].size);
  }

 private:
  std::uint32_t At(std::uint32_t cell) const { return m_layout.offsets[cell]; }
  std::uint32_t CellOrNone(std::uint32_t cell) const {
    return cell == kNoCell ? kNoCell : At(cell);
  }
  std::uint8_t* Data(std::uint32_t cell) {
    return m_bytes + At(cell) - m_bin.offset + cell::kDataStart;
  }
  std::span<std::uint8_t> DataSpan(std::uint32_t cell, std::size_t size) {
    return std::span<std::uint8_t>(Data(cell), size);
  }

  void WriteCell(std::uint32_t cell) {
    std::uint32_t owner = m_plan.Owner(cell);
    switch (m_plan.Kind(cell)) {
      case CellKind::Key: return WriteKey(m_plan.Keys()[owner]);
      case CellKind::Security: return WriteSecurity(owner);
      case CellKind::Class: {
        Bytes name = InputClass(m_hive, InputKey(m_hive, m_plan.Keys()[owner].cell));
        std::memcpy(Data(cell), name.data(), name.size());
        return;
      }
      case CellKind::ValueList: {
        const KeyPlan& key = m_plan.Keys()[owner];
        for (std::uint32_t i = 0; i < key.valueCount; ++i)
          Put32(Data(cell) + valuelist::kElementSize * i,
                At(m_plan.Values()[key.firstValue + i].vk));
        return;
      }
      case CellKind::SubkeyList: return WriteSubkeyList(m_plan.Keys()[owner], cell);
      case CellKind::Value: return WriteValue(m_plan.Values()[owner]);
      case CellKind::Data: {
        const ValuePlan& value = m_plan.Values()[owner];
        CInputValue input(m_hive, value.source);
        input.Copy(0, DataSpan(cell, input.Record().DataSize()));
        return;
      }
      case CellKind::BigData: {
        const ValuePlan& value = m_plan.Values()[owner];
        WriteBigDataHeader(Data(cell), static_cast<std::uint16_t>(value.segments),
                           At(value.data + 1));
        return;
      }
      case CellKind::SegmentList: {
        const ValuePlan& value = m_plan.Values()[owner];
        for (std::uint32_t i = 0; i < value.segments; ++i)
          Put32(Data(cell) + db::kSegmentListElementSize * i, At(value.data + 2 + i));
        return;
      }
      case CellKind::Segment: {
        const ValuePlan& value = m_plan.Values()[owner];
        CInputValue input(m_hive, value.source);
        std::uint64_t from = std::uint64_t{cell - value.data - 2} * db::kSegmentSize;
        std::uint64_t size = input.Record().DataSize();
        input.Copy(from, DataSpan(cell, static_cast<std::size_t>(std::min<std::uint64_t>(
                                            db::kSegmentSize, size - from))));
        return;
      }
    }
  }

  void WriteKey(const KeyPlan& plan) {
    KeyNode node = InputKey(m_hive, plan.cell);
    KeyRecordFields fields;
    SetPlacedFields(fields, plan, m_plan.Keys(), m_plan.Securities(), m_layout.offsets);
    fields.flags = node.flags;
    fields.userFlags = node.flagsAboveLargestName;
    fields.accessBits = node.spare;
    fields.lastWritten = node.lastWritten;
    fields.classLength = static_cast<std::uint16_t>(InputClass(m_hive, node).size());
    fields.largestName = plan.largestName;
    fields.largestClass = plan.largestClass;
    fields.largestValueName = plan.largestValueName;
    fields.largestValueData = plan.largestValueData;
    WriteKeyRecord(Data(plan.nk), DecodeName(node.name, node.compressedName), fields);
  }

  void WriteSecurity(std::uint32_t index) {
    const std::vector<SecurityPlan>& securities = m_plan.Securities();
    std::size_t count = securities.size();
    const SecurityPlan& security = securities[index];
    WriteSecurityRecord(Data(security.cell), At(securities[(index + 1) % count].cell),
                        At(securities[(index + count - 1) % count].cell), security.references,
                        security.descriptor);
  }

  void WriteSubkeyList(const KeyPlan& key, std::uint32_t cell) {
    std::uint32_t capacity = static_cast<std::uint32_t>(LeafCapacity());
    if (cell == key.list && key.leaves != 0) {
      WriteIndexRootHeader(Data(cell), static_cast<std::uint16_t>(key.leaves));
      for (std::uint32_t leaf = 0; leaf < key.leaves; ++leaf)
        Put32(Data(cell) + list::kElements + list::kOffsetElementSize * leaf,
              At(key.list + 1 + leaf));
      return;
    }
    std::uint32_t leaf = cell == key.list ? 0 : cell - key.list - 1;
    std::uint32_t first = leaf * capacity;
    std::uint32_t count = std::min(capacity, key.childCount - first);
    bool hashed = m_plan.HashLeaves();
    WriteLeafHeader(Data(cell), hashed, static_cast<std::uint16_t>(count));
    for (std::uint32_t i = 0; i < count; ++i) {
      const KeyPlan& child = m_plan.Keys()[key.firstChild + first + i];
      KeyNode node = InputKey(m_hive, child.cell);
      WriteLeafElement(Data(cell), hashed, i, At(child.nk),
                       DecodeName(node.name, node.compressedName));
    }
  }

  void WriteValue(const ValuePlan& plan) {
    CInputValue input(m_hive, plan.source);
    const ValueKey& record = input.Record();
    ValueRecordFields fields;
    fields.type = record.type;
    fields.flags = record.flags;
    fields.spare = record.spare;
    fields.dataSize = record.DataSize();
    fields.dataCell = CellOrNone(plan.data);
    std::uint8_t inlineData[vk::kInlineCapacity] = {};
    std::size_t inlineSize = 0;
    if (plan.data == kNoCell) {
      inlineSize = std::min<std::size_t>(fields.dataSize, vk::kInlineCapacity);
      input.Copy(0, std::span<std::uint8_t>(inlineData, inlineSize));
    }
    WriteValueRecord(Data(plan.vk), input.Name(), fields, Bytes(inlineData, inlineSize));
  }

  const CHive& m_hive;
  const CIndexedPlan& m_plan;
  const CellLayout& m_layout;
  PackedBin m_bin;
  std::uint8_t* m_bytes = nullptr;
  std::size_t m_nextCell = 0;
  std::size_t m_nextGap = 0;
};

}  // namespace

StreamedWrite WriteIndexedHive(const CHive& hive, ContentIndex index, const HiveHeader& header,
                               const WriteOptions& options, const ByteSink& sink) {
  StreamedWrite written;
  written.minor = WrittenMinorVersion(header.minorVersion, options);
  if (index.keys.empty()) throw HiveWriteError("no root key to write");
  CIndexedPlan plan(hive, index, written.minor);
  CellLayout layout = PackCells(plan.CellSizes());
  if (layout.binsSize > kLargestBinsSize)
    throw HiveWriteError("the content needs " + std::to_string(layout.binsSize) +
                         " bytes of hive bins, more than a hive holds");
  written.size = kBaseBlockSize + layout.binsSize;

  std::vector<std::uint8_t> piece(kBaseBlockSize);
  piece.reserve(kPieceSize + kPageSize);
  WriteBaseBlock(piece, header, written.minor, layout.offsets[plan.Keys().front().nk],
                 static_cast<std::uint32_t>(layout.binsSize));
  CBinWriter bins(hive, plan, layout);
  std::vector<std::uint8_t> bin;
  for (const PackedBin& packed : layout.bins) {
    bins.Fill(packed, bin);
    piece.insert(piece.end(), bin.begin(), bin.end());
    if (piece.size() >= kPieceSize) {
      if (!sink(piece)) return written;
      piece.clear();
    }
  }
  if (!piece.empty() && !sink(piece)) return written;
  written.complete = true;
  return written;
}

}  // namespace hive
