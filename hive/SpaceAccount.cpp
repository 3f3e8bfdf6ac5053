#include "hive/SpaceAccount.h"

#include "hive/HiveWalk.h"
#include "hive/Names.h"
#include "hive/RecordLayout.h"
#include "hive/Records.h"
#include "hive/Remnants.h"

#include <algorithm>
#include <set>

namespace hive {

namespace {

// Follows the key tree as the check's walk does, giving each cell to the
// first record that reaches it, and each key's cells to its node.
class CSpaceWalk {
 public:
  CSpaceWalk(const CHive& hive, SpaceAccount& account, std::size_t depth)
      : m_hive(hive), m_account(account), m_depth(depth), m_claimed(hive.BinsData().size() / 8) {}

  void Run() {
    WalkTree();
    WalkSecurityRing();
    CountCells();
    for (std::size_t i = m_account.nodes.size(); i-- > 1;) {
      const SpaceNode& child = m_account.nodes[i];
      SpaceNode& parent = m_account.nodes[child.parent];
      parent.bytes += child.bytes;
      parent.keys += child.keys;
      parent.values += child.values;
      parent.largestValue = std::max(parent.largestValue, child.largestValue);
    }
  }

 private:
  struct Frame {
    std::uint32_t node;
    std::size_t depth;
    std::vector<std::uint32_t> children;
    std::size_t next = 0;
  };

  std::uint32_t CellSize(std::uint32_t offset) const {
    return static_cast<std::uint32_t>(m_hive.AllocatedCell(offset)->size() + 4);
  }

  bool Claim(std::uint32_t offset, std::uint32_t node) {
    if (!m_hive.IsAllocated(offset) || m_claimed.TestAndSet(offset / 8)) return false;
    std::uint32_t size = CellSize(offset);
    m_account.nodes[node].ownBytes += size;
    m_account.nodes[node].bytes += size;
    return true;
  }

  void WalkTree() {
    std::vector<Frame> stack;
    Enter(m_hive.Base().rootCell, kNoSpaceNode, 0, stack);
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next == frame.children.size() || frame.depth >= kMaximumDepth) {
        stack.pop_back();
        continue;
      }
      std::uint32_t child = frame.children[frame.next++];
      Enter(child, frame.node, frame.depth + 1, stack);
    }
  }

  // A key the parent's list names: a node of its own down to the account's
  // depth, its ancestor's below. An unreadable record stays with the parent.
  void Enter(std::uint32_t offset, std::uint32_t parent, std::size_t depth,
             std::vector<Frame>& stack) {
    if (!m_hive.IsAllocated(offset) || m_claimed.Test(offset / 8)) return;
    KeyNode key;
    if (!ParseKeyNode(*m_hive.AllocatedCell(offset), key)) {
      if (parent != kNoSpaceNode) Claim(offset, parent);
      return;
    }
    std::uint32_t node = parent;
    if (parent == kNoSpaceNode || depth <= m_depth) {
      node = static_cast<std::uint32_t>(m_account.nodes.size());
      SpaceNode added;
      added.name = DecodeName(key.name, key.compressedName);
      added.parent = parent;
      added.depth = static_cast<std::uint32_t>(depth);
      m_account.nodes.push_back(std::move(added));
    }
    Claim(offset, node);
    ++m_account.nodes[node].keys;
    Security(key.security);
    if (key.classLength != 0) Claim(key.classOffset, node);
    Values(key, node);
    Frame frame{node, depth, {}, 0};
    Subkeys(key, node, frame.children);
    stack.push_back(std::move(frame));
  }

  void Security(std::uint32_t offset) {
    if (m_securitySeen.count(offset)) return;
    std::optional<Bytes> cell = m_hive.AllocatedCell(offset);
    SecurityKey sk;
    if (!cell || !ParseSecurityKey(*cell, sk) || m_claimed.TestAndSet(offset / 8)) return;
    m_securitySeen.insert(offset);
    m_account.security += CellSize(offset);
    ++m_account.securityRecords;
  }

  // Records in the ring that no key uses still belong to security.
  void WalkSecurityRing() {
    std::vector<std::uint32_t> known(m_securitySeen.begin(), m_securitySeen.end());
    for (std::uint32_t start : known) {
      std::uint32_t current = start;
      for (;;) {
        SecurityKey sk;
        ParseSecurityKey(*m_hive.AllocatedCell(current), sk);
        std::optional<Bytes> next = m_hive.AllocatedCell(sk.flink);
        SecurityKey nextSk;
        if (!next || !ParseSecurityKey(*next, nextSk) || m_claimed.TestAndSet(sk.flink / 8)) break;
        m_securitySeen.insert(sk.flink);
        m_account.security += CellSize(sk.flink);
        ++m_account.securityRecords;
        current = sk.flink;
      }
    }
  }

  void Values(const KeyNode& key, std::uint32_t node) {
    if (key.valueCount == 0 || !Claim(key.valueList, node)) return;
    Bytes list = *m_hive.AllocatedCell(key.valueList);
    std::size_t count =
        std::min<std::size_t>(key.valueCount, list.size() / valuelist::kElementSize);
    for (std::size_t i = 0; i < count; ++i) {
      std::uint32_t offset = ReadU32(list, valuelist::kElementSize * i);
      ValueKey value;
      if (!Claim(offset, node) || !ParseValueKey(*m_hive.AllocatedCell(offset), value)) continue;
      SpaceNode& owner = m_account.nodes[node];
      ++owner.values;
      owner.largestValue = std::max<std::uint64_t>(owner.largestValue, value.DataSize());
      if (!value.Inline() && value.DataSize() != 0) Data(value, node);
    }
  }

  void Data(const ValueKey& value, std::uint32_t node) {
    if (!Claim(value.dataOffset, node)) return;
    Bytes cell = *m_hive.AllocatedCell(value.dataOffset);
    if (m_hive.Base().minorVersion < db::kFirstMinorVersion ||
        value.DataSize() <= db::kSegmentSize || !HasSignature(cell, 0, "db"))
      return;
    std::uint32_t listOffset = ReadU32(cell, db::kSegmentList);
    if (!Claim(listOffset, node)) return;
    Bytes list = *m_hive.AllocatedCell(listOffset);
    std::size_t segments = std::min<std::size_t>(ReadU16(cell, db::kSegmentCount),
                                                 list.size() / db::kSegmentListElementSize);
    for (std::size_t i = 0; i < segments; ++i)
      Claim(ReadU32(list, db::kSegmentListElementSize * i), node);
  }

  void Subkeys(const KeyNode& key, std::uint32_t node, std::vector<std::uint32_t>& children) {
    if (key.subkeyCount == 0 || !Claim(key.subkeyList, node)) return;
    Bytes cell = *m_hive.AllocatedCell(key.subkeyList);
    ListKind kind = SubkeyListKind(cell);
    if (kind != ListKind::IndexRoot) {
      Leaf(cell, kind, children);
      return;
    }
    std::size_t count = std::min<std::size_t>(
        ReadU16(cell, list::kCount), (cell.size() - list::kElements) / list::kOffsetElementSize);
    for (std::size_t i = 0; i < count; ++i) {
      std::uint32_t leaf = ReadU32(cell, list::kElements + list::kOffsetElementSize * i);
      if (!Claim(leaf, node)) continue;
      Bytes leafCell = *m_hive.AllocatedCell(leaf);
      ListKind leafKind = SubkeyListKind(leafCell);
      if (leafKind != ListKind::IndexRoot) Leaf(leafCell, leafKind, children);
    }
  }

  static void Leaf(Bytes cell, ListKind kind, std::vector<std::uint32_t>& children) {
    if (kind == ListKind::None || cell.size() < list::kElements) return;
    std::size_t size = ListElementSize(kind);
    std::size_t count =
        std::min<std::size_t>(ReadU16(cell, list::kCount), (cell.size() - list::kElements) / size);
    for (std::size_t i = 0; i < count; ++i)
      children.push_back(ReadU32(cell, list::kElements + i * size));
  }

  void CountCells() {
    Bytes bins = m_hive.BinsData();
    std::uint64_t cells = 0;
    m_hive.ForEachCell([&](const Cell& cell) {
      cells += cell.size;
      if (!cell.allocated) {
        m_account.free += cell.size;
        CountRecordsIn(bins.subspan(cell.offset, cell.size), m_account.remnants);
      } else if (!m_claimed.Test(cell.offset / 8)) {
        m_account.unreachable += cell.size;
      }
    });
    m_account.binHeaders = std::uint64_t{kBinHeaderSize} * m_hive.Bins().size();
    m_account.slack = m_account.binsSize - m_account.binHeaders - cells;
  }

  const CHive& m_hive;
  SpaceAccount& m_account;
  std::size_t m_depth;
  CBitmap m_claimed;
  std::set<std::uint32_t> m_securitySeen;
};

}  // namespace

SpaceAccount AccountSpace(const CHive& hive, std::size_t depth) {
  SpaceAccount account;
  account.binsSize = hive.DeclaredBinsSize();
  account.fileSize = hive.FileBytes().size();
  CSpaceWalk(hive, account, depth).Run();
  return account;
}

SpaceAccountResult AccountHiveBytes(std::vector<std::uint8_t> bytes,
                                    const std::vector<LogInput>& logs, std::size_t depth) {
  SpaceAccountResult result;
  CFindingLog findings;
  if (!logs.empty()) result.replay = ReplayLogs(bytes, logs, findings);
  std::unique_ptr<CHive> hive = CHive::Open(std::move(bytes), findings, result.refusal);
  if (!hive) return result;
  result.dirty = hive->Base().Dirty();
  result.account = AccountSpace(*hive, depth);
  return result;
}

std::u16string SpaceNodePath(const SpaceAccount& account, std::uint32_t node) {
  if (account.nodes[node].parent == kNoSpaceNode) return account.nodes[node].name;
  std::u16string path = account.nodes[node].name;
  for (std::uint32_t up = account.nodes[node].parent;
       up != kNoSpaceNode && account.nodes[up].parent != kNoSpaceNode;
       up = account.nodes[up].parent)
    path = account.nodes[up].name + u"\\" + path;
  return path;
}

std::vector<std::vector<std::uint32_t>> SpaceChildren(const SpaceAccount& account) {
  std::vector<std::vector<std::uint32_t>> children(account.nodes.size());
  for (std::uint32_t i = 1; i < account.nodes.size(); ++i)
    children[account.nodes[i].parent].push_back(i);
  for (std::vector<std::uint32_t>& list : children)
    std::stable_sort(list.begin(), list.end(), [&](std::uint32_t a, std::uint32_t b) {
      return account.nodes[a].bytes > account.nodes[b].bytes;
    });
  return children;
}

std::vector<std::uint32_t> LargestSubtrees(const SpaceAccount& account, std::size_t top,
                                           std::size_t depth) {
  if (account.nodes.empty() || top == 0) return {};
  std::vector<std::vector<std::uint32_t>> children = SpaceChildren(account);
  std::vector<std::uint32_t> candidates{0};
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const SpaceNode& parent = account.nodes[candidates[i]];
    if (parent.depth >= depth) continue;
    for (std::uint32_t child : children[candidates[i]])
      if (account.nodes[child].bytes * 10 >= parent.bytes) candidates.push_back(child);
  }
  // A parent holds at least what its child does and is shallower, so it
  // always ranks before it: the chosen set keeps every chosen node's parent.
  std::stable_sort(candidates.begin(), candidates.end(), [&](std::uint32_t a, std::uint32_t b) {
    const SpaceNode& x = account.nodes[a];
    const SpaceNode& y = account.nodes[b];
    return x.bytes != y.bytes ? x.bytes > y.bytes : x.depth < y.depth;
  });
  if (candidates.size() > top) candidates.resize(top);
  std::vector<bool> chosen(account.nodes.size(), false);
  for (std::uint32_t node : candidates) chosen[node] = true;
  std::vector<std::uint32_t> ordered;
  std::vector<std::uint32_t> pending{0};
  while (!pending.empty()) {
    std::uint32_t node = pending.back();
    pending.pop_back();
    ordered.push_back(node);
    const std::vector<std::uint32_t>& list = children[node];
    for (auto it = list.rbegin(); it != list.rend(); ++it)
      if (chosen[*it]) pending.push_back(*it);
  }
  return ordered;
}

}  // namespace hive
