#include "hive/HiveWalk.h"

#include "hive/Names.h"

#include <algorithm>

namespace hive {

namespace {

std::string Quoted(const std::u16string& name) {
  // Appended piecewise: GCC 12 at -O3 warns falsely (-Wrestrict) on "x" + string.
  std::string text(1, '"');
  text.append(ToUtf8(name));
  text.push_back('"');
  return text;
}

std::string Signature(Bytes cell) {
  std::string text;
  for (std::size_t i = 0; i < 2 && i < cell.size(); ++i)
    text += (cell[i] >= 0x20 && cell[i] < 0x7F) ? static_cast<char>(cell[i]) : '?';
  return text;
}

bool HoldsKey(Bytes cell) {
  KeyNode key;
  return ParseKeyNode(cell, key);
}

bool HoldsValue(Bytes cell) {
  ValueKey value;
  return ParseValueKey(cell, value);
}

bool HoldsSubkeyList(Bytes cell) { return SubkeyListKind(cell) != ListKind::None; }

}  // namespace

CHiveWalk::CHiveWalk(const CHive& hive, CFindingLog& findings, IHiveVisitor* visitor)
    : m_hive(hive),
      m_findings(findings),
      m_pVisitor(visitor),
      m_referenced(hive.BinsData().size() / 8),
      m_keys(hive.BinsData().size() / 8) {}

bool CHiveWalk::Claim(std::uint32_t offset, const char* what, std::uint32_t owner) {
  if (!m_hive.IsAllocated(offset)) {
    m_findings.Report(At(owner), FindingCode::BadReference,
                      std::string(what) + " of the record at " + Hex(At(owner)) + ": " +
                          m_hive.DescribeBadReference(offset));
    return false;
  }
  if (m_referenced.TestAndSet(offset / 8)) {
    m_findings.Report(At(offset), FindingCode::CellShared,
                      std::string(what) + " at " + Hex(At(offset)) + " (from " + Hex(At(owner)) +
                          ") is already used by another record");
    return false;
  }
  return true;
}

std::optional<Bytes> CHiveWalk::ClaimRecord(std::uint32_t offset, const char* what,
                                            std::uint32_t owner, bool (*holdsRecord)(Bytes)) {
  std::optional<Bytes> salvaged;
  if (!m_hive.IsAllocated(offset)) salvaged = m_hive.DamagedRangeFrom(offset);
  if (!salvaged || !holdsRecord(*salvaged)) {
    if (!Claim(offset, what, owner)) return std::nullopt;
    return m_hive.AllocatedCell(offset);
  }
  if (m_referenced.TestAndSet(offset / 8)) {
    m_findings.Report(At(offset), FindingCode::CellShared,
                      std::string(what) + " at " + Hex(At(offset)) + " (from " + Hex(At(owner)) +
                          ") is already used by another record");
    return std::nullopt;
  }
  m_findings.Report(At(offset), FindingCode::DamagedCellUsed,
                    std::string(what) + " at " + Hex(At(offset)) + " (from " + Hex(At(owner)) +
                        "): the cell's size field is damaged, but it holds the record expected; "
                        "read from it");
  return salvaged;
}

void CHiveWalk::Run(HiveStatistics& statistics) {
  m_pStatistics = &statistics;
  std::vector<Frame> stack;
  std::uint32_t root = m_hive.Base().rootCell;
  if (VisitKey(ChildRef{root, 0, ListKind::None, kNoCell}, kNoCell, nullptr, stack)) {
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next == frame.children.size()) {
        CheckLargest("largest subkey name length", frame.largestSubkeyName, frame.seenSubkeyName,
                     frame.key);
        CheckLargest("largest subkey class length", frame.largestSubkeyClass, frame.seenSubkeyClass,
                     frame.key);
        stack.pop_back();
        m_path.pop_back();
        continue;
      }
      ChildRef child = frame.children[frame.next++];
      if (stack.size() > kMaximumDepth) {
        m_findings.Report(At(child.offset), FindingCode::TooDeep,
                          "key at " + Hex(At(child.offset)) + " lies deeper than " +
                              std::to_string(kMaximumDepth) + " levels");
        frame.next = frame.children.size();
        continue;
      }
      VisitKey(child, frame.key, &frame, stack);
    }
  } else {
    m_findings.Report(regf::kRootCell, FindingCode::BadRoot,
                      "the root cell " + Hex(At(root)) + " is not a readable key");
  }
  CheckSecurityRing();
  FindUnreferenced(statistics);
}

bool CHiveWalk::VisitKey(const ChildRef& ref, std::uint32_t parent, Frame* parentFrame,
                         std::vector<Frame>& stack) {
  std::uint32_t offset = ref.offset;
  std::uint32_t owner = parent == kNoCell ? offset : ref.list;
  if ((m_hive.IsAllocated(offset) || m_hive.DamagedRangeFrom(offset)) && m_keys.Test(offset / 8)) {
    m_findings.Report(At(offset), FindingCode::KeyTwice,
                      "key at " + Hex(At(offset)) + " is reached a second time (from the list at " +
                          Hex(At(ref.list)) + "): a cycle or a shared subkey");
    return false;
  }
  std::optional<Bytes> claimed =
      ClaimRecord(offset, parent == kNoCell ? "root key" : "subkey", owner, HoldsKey);
  if (!claimed) return false;
  Bytes cell = *claimed;
  KeyNode key;
  if (!ParseKeyNode(cell, key)) {
    m_findings.Report(At(offset), FindingCode::BadKey,
                      "cell at " + Hex(At(offset)) + " should hold a key (nk) but holds \"" +
                          Signature(cell) + "\" or is too small for its name");
    return false;
  }
  m_keys.Set(offset / 8);
  std::u16string name = DecodeName(key.name, key.compressedName);
  if (name.empty() || name.front() == u'\0')
    m_findings.Report(Field(offset, nk::kNameLength), FindingCode::BadKeyName,
                      "key at " + Hex(At(offset)) + " has " +
                          (name.empty() ? "an empty name" : "a name starting with NUL"));
  ++m_pStatistics->keys;

  if (parent == kNoCell) {
    if ((key.flags & kKeyHiveEntry) == 0)
      m_findings.Report(
          Field(offset, nk::kFlags), FindingCode::RootFlags,
          "root key at " + Hex(At(offset)) + " is not marked as the hive's entry key");
    // The root's parent field means nothing on disk: Windows fills it when it links
    // the hive into the registry, and leaves whatever it held in the file.
  } else {
    if (key.parent != parent)
      m_findings.Report(Field(offset, nk::kParent), FindingCode::BadParent,
                        "key " + Quoted(name) + " at " + Hex(At(offset)) + " names parent " +
                            Hex(At(key.parent)) + ", but is listed under " + Hex(At(parent)));
    CheckListEntry(ref, name, offset);
    if (parentFrame) {
      if (parentFrame->next > 1 && CompareNames(parentFrame->previousName, name) >= 0)
        m_findings.Report(At(ref.list), FindingCode::SubkeysOutOfOrder,
                          "subkey list at " + Hex(At(ref.list)) + ": " + Quoted(name) +
                              " follows " + Quoted(parentFrame->previousName) +
                              ", out of order or a duplicate");
      parentFrame->previousName = name;
      parentFrame->seenSubkeyName = std::max(parentFrame->seenSubkeyName, NameBytes(name));
      parentFrame->seenSubkeyClass =
          std::max<std::uint32_t>(parentFrame->seenSubkeyClass, key.classLength);
    }
  }
  if ((key.flags & kKeyVolatile) != 0)
    m_findings.Report(Field(offset, nk::kFlags), FindingCode::VolatileKey,
                      "key " + Quoted(name) + " at " + Hex(At(offset)) + " is marked volatile");
  // Memory-only fields a running system flushes as they are; Windows ignores them at load.
  if (key.volatileSubkeyCount != 0 ||
      (key.volatileSubkeyList != kNoCell && key.volatileSubkeyList != 0))
    m_findings.Report(Field(offset, nk::kVolatileSubkeyCount), FindingCode::VolatileFields,
                      "key " + Quoted(name) + " at " + Hex(At(offset)) +
                          " keeps a volatile subkey count of " +
                          std::to_string(key.volatileSubkeyCount) + " and list " +
                          Hex(key.volatileSubkeyList) + " from memory");

  m_path.push_back(name);
  if (m_pVisitor) {
    m_pVisitor->OnCell(offset);
    m_pVisitor->OnKey(m_path, key);
  }
  m_pStatistics->depth = std::max<std::uint64_t>(m_pStatistics->depth, m_path.size() - 1);

  CheckSecurity(key, offset);
  CheckClass(key, offset);
  if (m_pVisitor) m_pVisitor->OnKeyRecords(SecurityDescriptor(key), ClassName(key));
  CheckValues(key, offset);

  Frame frame;
  frame.key = offset;
  frame.largestSubkeyName = key.largestSubkeyName;
  frame.largestSubkeyClass = key.largestSubkeyClass;
  CollectSubkeys(key, offset, frame.children);
  stack.push_back(std::move(frame));
  return true;
}

void CHiveWalk::CheckListEntry(const ChildRef& ref, const std::u16string& name, std::uint32_t key) {
  if (ref.kind == ListKind::FastLeaf) {
    std::optional<std::uint32_t> hint = NameHint(name);
    if (hint && *hint != ref.hint)
      m_findings.Report(At(ref.list), FindingCode::BadLfHint,
                        "lf list at " + Hex(At(ref.list)) + " holds hint " + Hex(ref.hint) +
                            " for " + Quoted(name) + " at " + Hex(At(key)) + ", should be " +
                            Hex(*hint));
  } else if (ref.kind == ListKind::HashLeaf) {
    if (NameHash(name) != ref.hint && NameHashAsciiFold(name) != ref.hint)
      m_findings.Report(At(ref.list), FindingCode::BadLhHash,
                        "lh list at " + Hex(At(ref.list)) + " holds hash " + Hex(ref.hint) +
                            " for " + Quoted(name) + " at " + Hex(At(key)) + ", should be " +
                            Hex(NameHash(name)));
  }
}

void CHiveWalk::CollectSubkeys(const KeyNode& key, std::uint32_t offset,
                               std::vector<ChildRef>& children) {
  if (key.subkeyCount == 0) return;
  std::optional<Bytes> claimed =
      ClaimRecord(key.subkeyList, "subkey list", offset, HoldsSubkeyList);
  if (!claimed) return;
  Bytes cell = *claimed;
  ListKind kind = SubkeyListKind(cell);
  if (kind == ListKind::IndexRoot) {
    std::size_t count = ReadU16(cell, list::kCount);
    if (!Fits(cell, list::kElements, count * list::kOffsetElementSize)) {
      m_findings.Report(At(key.subkeyList), FindingCode::ListTooLong,
                        "ri list at " + Hex(At(key.subkeyList)) + " claims " +
                            std::to_string(count) + " elements, more than its cell holds");
      count = (cell.size() - list::kElements) / list::kOffsetElementSize;
    }
    for (std::size_t i = 0; i < count; ++i) {
      std::uint32_t leaf = ReadU32(cell, list::kElements + list::kOffsetElementSize * i);
      std::optional<Bytes> claimedLeaf =
          ClaimRecord(leaf, "ri element", key.subkeyList, HoldsSubkeyList);
      if (!claimedLeaf) continue;
      Bytes leafCell = *claimedLeaf;
      ListKind leafKind = SubkeyListKind(leafCell);
      if (leafKind == ListKind::None || leafKind == ListKind::IndexRoot) {
        m_findings.Report(At(leaf), FindingCode::BadSubkeyList,
                          "ri list at " + Hex(At(key.subkeyList)) + " points to \"" +
                              Signature(leafCell) + "\" at " + Hex(At(leaf)) +
                              ", not to an li, lf or lh list");
        continue;
      }
      AppendLeaf(leafCell, leafKind, leaf, children);
    }
  } else if (kind == ListKind::None) {
    m_findings.Report(At(key.subkeyList), FindingCode::BadSubkeyList,
                      "subkey list of the key at " + Hex(At(offset)) + " holds \"" +
                          Signature(cell) + "\" at " + Hex(At(key.subkeyList)) +
                          ", not li, lf, lh or ri");
    return;
  } else {
    AppendLeaf(cell, kind, key.subkeyList, children);
  }
  if (children.size() != key.subkeyCount)
    m_findings.Report(Field(offset, nk::kSubkeyCount), FindingCode::SubkeyCount,
                      "key at " + Hex(At(offset)) + " counts " + std::to_string(key.subkeyCount) +
                          " subkeys, its lists hold " + std::to_string(children.size()));
}

void CHiveWalk::AppendLeaf(Bytes cell, ListKind kind, std::uint32_t list,
                           std::vector<ChildRef>& children) {
  std::size_t count = ReadU16(cell, list::kCount);
  std::size_t size = ListElementSize(kind);
  if (!Fits(cell, list::kElements, count * size)) {
    m_findings.Report(At(list), FindingCode::ListTooLong,
                      "subkey list at " + Hex(At(list)) + " claims " + std::to_string(count) +
                          " elements, more than its cell holds");
    count = (cell.size() - list::kElements) / size;
  }
  children.reserve(children.size() + count);
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t at = list::kElements + i * size;
    bool hinted = size == list::kHashElementSize;
    children.push_back(ChildRef{ReadU32(cell, at),
                                hinted ? ReadU32(cell, at + list::kElementHint) : 0, kind, list});
  }
}

void CHiveWalk::CheckValues(const KeyNode& key, std::uint32_t offset) {
  std::uint32_t largestName = 0;
  std::uint32_t largestData = 0;
  if (key.valueCount != 0 && Claim(key.valueList, "value list", offset)) {
    Bytes list = *m_hive.AllocatedCell(key.valueList);
    std::size_t count = key.valueCount;
    if (!Fits(list, 0, count * valuelist::kElementSize)) {
      m_findings.Report(Field(offset, nk::kValueCount), FindingCode::ValueCount,
                        "key at " + Hex(At(offset)) + " counts " + std::to_string(count) +
                            " values, its value list at " + Hex(At(key.valueList)) +
                            " holds at most " +
                            std::to_string(list.size() / valuelist::kElementSize));
      count = list.size() / valuelist::kElementSize;
    }
    std::u16string first;
    for (std::size_t i = 0; i < count; ++i) {
      std::u16string name = CheckValue(ReadU32(list, valuelist::kElementSize * i), key.valueList,
                                       largestName, largestData);
      if (i == 0) first = std::move(name);
    }
    // A link holds its target in one value of that name and nothing else.
    if ((key.flags & kKeySymbolicLink) != 0 &&
        (count > 1 || CompareNames(first, u"SymbolicLinkValue") != 0))
      m_findings.Report(At(offset), FindingCode::BadSymbolicLink,
                        "symbolic-link key at " + Hex(At(offset)) + " holds " +
                            std::to_string(count) + " values" +
                            (count == 1 ? ", named " + Quoted(first) : std::string()) +
                            "; a link holds one, named \"SymbolicLinkValue\"");
  }
  CheckLargest("largest value name length", key.largestValueName, largestName, offset);
  CheckLargest("largest value data size", key.largestValueData, largestData, offset);
}

std::u16string CHiveWalk::CheckValue(std::uint32_t offset, std::uint32_t list,
                                     std::uint32_t& largestName, std::uint32_t& largestData) {
  std::optional<Bytes> claimed = ClaimRecord(offset, "value", list, HoldsValue);
  if (!claimed) return {};
  Bytes cell = *claimed;
  ValueKey value;
  if (!ParseValueKey(cell, value)) {
    m_findings.Report(At(offset), FindingCode::BadValue,
                      "cell at " + Hex(At(offset)) + " should hold a value (vk) but holds \"" +
                          Signature(cell) + "\" or is too small for its name");
    return {};
  }
  ++m_pStatistics->values;
  std::u16string name = DecodeName(value.name, value.compressedName);
  largestName = std::max(largestName, NameBytes(name));
  largestData = std::max(largestData, value.DataSize());
  Bytes data;
  if (ValueData(value, cell, offset, data) && m_pVisitor) {
    m_pVisitor->OnCell(offset);
    m_pVisitor->OnValue(name, value, data);
  }
  return name;
}

bool CHiveWalk::ValueData(const ValueKey& value, Bytes vkCell, std::uint32_t offset, Bytes& data) {
  std::uint32_t size = value.DataSize();
  if (value.Inline()) {
    if (size > vk::kInlineCapacity) {
      m_findings.Report(Field(offset, vk::kDataSize), FindingCode::BadInlineSize,
                        "value at " + Hex(At(offset)) + " keeps " + std::to_string(size) +
                            " bytes in its record, where at most 4 fit");
      return false;
    }
    data = vkCell.subspan(vk::kData, size);
    return true;
  }
  if (size == 0) {
    data = Bytes();
    return true;
  }
  if (!Claim(value.dataOffset, "value data", offset)) return false;
  Bytes cell = *m_hive.AllocatedCell(value.dataOffset);
  bool bigDataFormat = m_hive.Base().minorVersion >= 4;
  if (bigDataFormat && size > db::kSegmentSize) {
    if (HasSignature(cell, db::kSignature, "db"))
      return BigData(cell, value.dataOffset, size, offset, data);
    m_findings.Report(At(value.dataOffset), FindingCode::BigValueInOneCell,
                      "value at " + Hex(At(offset)) + " keeps " + std::to_string(size) +
                          " bytes in one cell; hive format 1." +
                          std::to_string(m_hive.Base().minorVersion) +
                          " splits data over 16344 bytes into a big-data (db) record");
  }
  // Data that needs no big-data record, or a format before 1.4, is read from
  // its cell as it stands: a db record there is read as the data.
  if (cell.size() < size && HasSignature(cell, db::kSignature, "db")) {
    bool tooEarly = !bigDataFormat && size > db::kSegmentSize;
    m_findings.Report(
        At(value.dataOffset),
        tooEarly ? FindingCode::BigDataTooEarly : FindingCode::BigDataTooSmall,
        "value at " + Hex(At(offset)) + " keeps its " + std::to_string(size) +
            " bytes in a big-data record, which " +
            (tooEarly
                 ? "hive format 1." + std::to_string(m_hive.Base().minorVersion) + " does not know"
                 : "only data over 16344 bytes takes"));
    return false;
  }
  if (cell.size() < size) {
    m_findings.Report(At(value.dataOffset), FindingCode::ValueDataShort,
                      "value at " + Hex(At(offset)) + " claims " + std::to_string(size) +
                          " bytes of data, its data cell at " + Hex(At(value.dataOffset)) +
                          " holds " + std::to_string(cell.size()));
    return false;
  }
  data = cell.first(size);
  return true;
}

bool CHiveWalk::BigData(Bytes record, std::uint32_t dbOffset, std::uint32_t size,
                        std::uint32_t valueOffset, Bytes& data) {
  ++m_pStatistics->bigDataValues;
  std::size_t segments = ReadU16(record, db::kSegmentCount);
  std::uint32_t listOffset = ReadU32(record, db::kSegmentList);
  std::size_t expected = (size + db::kSegmentSize - 1) / db::kSegmentSize;
  if (record.size() < db::kFixedSize || segments != expected) {
    m_findings.Report(At(dbOffset), FindingCode::DbSegments,
                      "big-data record at " + Hex(At(dbOffset)) + " of the value at " +
                          Hex(At(valueOffset)) + " counts " + std::to_string(segments) +
                          " segments; " + std::to_string(size) + " bytes need " +
                          std::to_string(expected));
    return false;
  }
  if (!Claim(listOffset, "segment list", dbOffset)) return false;
  Bytes list = *m_hive.AllocatedCell(listOffset);
  if (!Fits(list, 0, segments * db::kSegmentListElementSize)) {
    m_findings.Report(At(listOffset), FindingCode::DbSegments,
                      "segment list at " + Hex(At(listOffset)) + " is too small for " +
                          std::to_string(segments) + " segments");
    return false;
  }
  m_bigData.clear();
  std::uint32_t remaining = size;
  bool whole = true;
  for (std::size_t i = 0; i < segments; ++i) {
    std::uint32_t segment = ReadU32(list, db::kSegmentListElementSize * i);
    if (!Claim(segment, "data segment", listOffset)) {
      whole = false;
      continue;
    }
    Bytes cell = *m_hive.AllocatedCell(segment);
    std::uint32_t chunk = std::min(remaining, db::kSegmentSize);
    if (cell.size() < chunk) {
      m_findings.Report(At(segment), FindingCode::ValueDataShort,
                        "data segment at " + Hex(At(segment)) + " holds " +
                            std::to_string(cell.size()) + " bytes, " + std::to_string(chunk) +
                            " expected");
      whole = false;
      continue;
    }
    if (m_pVisitor && whole) m_bigData.insert(m_bigData.end(), cell.begin(), cell.begin() + chunk);
    remaining -= chunk;
  }
  data = Bytes(m_bigData.data(), m_bigData.size());
  return whole;
}

void CHiveWalk::CheckSecurity(const KeyNode& key, std::uint32_t offset) {
  auto found = m_securityUses.find(key.security);
  if (found != m_securityUses.end()) {
    ++found->second;
    return;
  }
  std::optional<Bytes> cell = m_hive.AllocatedCell(key.security);
  SecurityKey record;
  if (!cell || !ParseSecurityKey(*cell, record)) {
    m_findings.Report(Field(offset, nk::kSecurity), FindingCode::BadSecurity,
                      "security of the key at " + Hex(At(offset)) + ": " +
                          (cell ? Hex(At(key.security)) + " holds no whole sk record"
                                : m_hive.DescribeBadReference(key.security)));
    return;
  }
  if (m_referenced.TestAndSet(key.security / 8)) {
    m_findings.Report(
        At(key.security), FindingCode::CellShared,
        "security record at " + Hex(At(key.security)) + " is also used as another record");
    return;
  }
  m_securityUses[key.security] = 1;
  ++m_pStatistics->securityDescriptors;
}

Bytes CHiveWalk::SecurityDescriptor(const KeyNode& key) const {
  std::optional<Bytes> cell = m_hive.AllocatedCell(key.security);
  SecurityKey record;
  if (!cell || !ParseSecurityKey(*cell, record)) return Bytes();
  return cell->subspan(sk::kDescriptor, record.descriptorSize);
}

Bytes CHiveWalk::ClassName(const KeyNode& key) const {
  std::optional<Bytes> cell = m_hive.AllocatedCell(key.classOffset);
  if (key.classLength == 0 || !cell || cell->size() < key.classLength) return Bytes();
  return cell->first(key.classLength);
}

void CHiveWalk::CheckClass(const KeyNode& key, std::uint32_t offset) {
  if (key.classLength == 0 || key.classOffset == kNoCell) return;
  if (!Claim(key.classOffset, "class name", offset)) return;
  Bytes cell = *m_hive.AllocatedCell(key.classOffset);
  if (cell.size() < key.classLength)
    m_findings.Report(At(key.classOffset), FindingCode::ClassShort,
                      "class name cell at " + Hex(At(key.classOffset)) + " holds " +
                          std::to_string(cell.size()) + " bytes, the key at " + Hex(At(offset)) +
                          " claims " + std::to_string(key.classLength));
}

void CHiveWalk::CheckLargest(const char* field, std::uint32_t stored, std::uint32_t real,
                             std::uint32_t key) {
  if (stored < real)
    m_findings.Report(At(key), FindingCode::LargestTooSmall,
                      "key at " + Hex(At(key)) + ": " + field + " is " + std::to_string(stored) +
                          ", but the real largest is " + std::to_string(real));
  else if (stored > real)
    m_findings.Report(At(key), FindingCode::LargestTooLarge,
                      "key at " + Hex(At(key)) + ": " + field + " is " + std::to_string(stored) +
                          ", larger than the real largest " + std::to_string(real));
}

void CHiveWalk::CheckSecurityRing() {
  if (m_securityUses.empty()) return;
  std::map<std::uint32_t, bool> inRing;
  std::uint32_t start = m_securityUses.begin()->first;
  std::uint32_t current = start;
  std::size_t limit = m_hive.BinsData().size() / 8 + 1;
  for (std::size_t steps = 0; steps < limit; ++steps) {
    inRing[current] = true;
    std::uint32_t next = ReadU32(*m_hive.AllocatedCell(current), sk::kFlink);
    std::optional<Bytes> nextCell = m_hive.AllocatedCell(next);
    SecurityKey record;
    if (!nextCell || !ParseSecurityKey(*nextCell, record)) {
      m_findings.Report(Field(current, sk::kFlink), FindingCode::SkRing,
                        "security ring broken: the record at " + Hex(At(current)) +
                            " links forward to " +
                            (nextCell ? Hex(At(next)) + ", not a security record"
                                      : m_hive.DescribeBadReference(next)));
      break;
    }
    if (record.blink != current)
      m_findings.Report(Field(next, sk::kBlink), FindingCode::SkRing,
                        "security ring: the record at " + Hex(At(next)) + " links back to " +
                            Hex(At(record.blink)) + ", not to " + Hex(At(current)));
    if (next == start) break;
    if (inRing.count(next)) {
      m_findings.Report(At(next), FindingCode::SkRing,
                        "security ring loops back to " + Hex(At(next)) + " without returning to " +
                            Hex(At(start)));
      break;
    }
    // Leaked whatever it counts: a count above zero is what a key deleted
    // without its release left behind.
    if (!m_securityUses.count(next) && !m_referenced.TestAndSet(next / 8))
      m_findings.Report(At(next), FindingCode::SkUnused,
                        "security record at " + Hex(At(next)) + " (counting " +
                            std::to_string(record.referenceCount) +
                            " references) is in the ring but no key in the file uses it");
    current = next;
  }
  for (const auto& [offset, uses] : m_securityUses) {
    SecurityKey record;
    ParseSecurityKey(*m_hive.AllocatedCell(offset), record);
    if (!inRing.count(offset))
      m_findings.Report(
          At(offset), FindingCode::SkRing,
          "security record at " + Hex(At(offset)) + " is used by keys but not in the ring");
    if (record.referenceCount < uses)
      m_findings.Report(Field(offset, sk::kReferenceCount), FindingCode::SkRefcount,
                        "security record at " + Hex(At(offset)) + " counts " +
                            std::to_string(record.referenceCount) + " references, " +
                            std::to_string(uses) + " keys use it");
    else if (record.referenceCount > uses)
      m_findings.Report(Field(offset, sk::kReferenceCount), FindingCode::SkRefcountHigh,
                        "security record at " + Hex(At(offset)) + " counts " +
                            std::to_string(record.referenceCount) + " references, " +
                            std::to_string(uses) + " keys in the file use it");
  }
}

void CHiveWalk::FindUnreferenced(HiveStatistics& statistics) {
  m_hive.ForEachCell([&](const Cell& cell) {
    if (!cell.allocated) {
      ++statistics.freeCells;
      statistics.freeBytes += cell.size;
      return;
    }
    ++statistics.allocatedCells;
    statistics.allocatedBytes += cell.size;
    if (m_referenced.Test(cell.offset / 8)) {
      ++statistics.liveCells;
      statistics.liveBytes += cell.size;
      return;
    }
    ++statistics.unreferencedCells;
    statistics.unreferencedBytes += cell.size;
    Bytes data = *m_hive.AllocatedCell(cell.offset);
    m_findings.Report(At(cell.offset), FindingCode::UnreferencedCell,
                      "allocated cell at " + Hex(At(cell.offset)) + " (" +
                          std::to_string(cell.size) + " bytes, starts \"" + Signature(data) +
                          "\") is not reached from the root key");
  });
}

}  // namespace hive
