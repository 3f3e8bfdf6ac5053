#pragma once
// Walks the key tree from the root and checks every record on the way:
// references land on allocated cells of the right kind, counts agree with
// lists, subkey lists are sorted and their hints and hashes right, each cell
// is owned once (security cells excepted, which are shared and counted),
// the security ring is linked both ways. Each key is entered at most once,
// so a cycle in key or list references ends the walk, not the program.

#include "hive/Bitmap.h"
#include "hive/FindingLog.h"
#include "hive/Hive.h"
#include "hive/HiveStatistics.h"
#include "hive/HiveVisitor.h"
#include "hive/Records.h"

#include <map>
#include <string>
#include <vector>

namespace hive {

// Windows refuses keys nested deeper than this.
constexpr std::size_t kMaximumDepth = 512;

class CHiveWalk {
 public:
  CHiveWalk(const CHive& hive, CFindingLog& findings, IHiveVisitor* visitor = nullptr);
  CHiveWalk(const CHiveWalk&) = delete;
  CHiveWalk& operator=(const CHiveWalk&) = delete;

  // Walks the tree and then looks for allocated cells nothing reaches.
  void Run(HiveStatistics& statistics);
  // Cells reached from the root (one bit per 8-byte slot).
  const CBitmap& Referenced() const { return m_referenced; }

 private:
  struct ChildRef {
    std::uint32_t offset;
    std::uint32_t hint;
    ListKind kind;
    std::uint32_t list;
  };
  struct Frame {
    std::uint32_t key;
    std::vector<ChildRef> children;
    std::size_t next = 0;
    std::u16string previousName;
    std::uint32_t largestSubkeyName = 0;
    std::uint32_t largestSubkeyClass = 0;
    std::uint32_t seenSubkeyName = 0;
    std::uint32_t seenSubkeyClass = 0;
  };

  bool Claim(std::uint32_t offset, const char* what, std::uint32_t owner);
  // Claims the cell holding a record with a signature. When no cell starts
  // at `offset` because the scanner could not read its size field, the bytes
  // there are used if `holdsRecord` recognises them as the record expected.
  std::optional<Bytes> ClaimRecord(std::uint32_t offset, const char* what, std::uint32_t owner,
                                   bool (*holdsRecord)(Bytes));
  bool VisitKey(const ChildRef& ref, std::uint32_t parent, Frame* parentFrame,
                std::vector<Frame>& stack);
  void CheckListEntry(const ChildRef& ref, const std::u16string& name, std::uint32_t key);
  void CollectSubkeys(const KeyNode& key, std::uint32_t offset, std::vector<ChildRef>& children);
  void AppendLeaf(Bytes cell, ListKind kind, std::uint32_t list, std::vector<ChildRef>& children);
  void CheckValues(const KeyNode& key, std::uint32_t offset);
  // The value's name, empty when it holds no readable value.
  std::u16string CheckValue(std::uint32_t offset, std::uint32_t key, std::uint32_t& largestName,
                            std::uint32_t& largestData);
  bool ValueData(const ValueKey& value, Bytes vkCell, std::uint32_t offset, Bytes& data);
  bool BigData(Bytes record, std::uint32_t dbOffset, std::uint32_t size, std::uint32_t valueOffset,
               Bytes& data);
  void CheckSecurity(const KeyNode& key, std::uint32_t offset);
  void CheckClass(const KeyNode& key, std::uint32_t offset);
  Bytes SecurityDescriptor(const KeyNode& key) const;
  Bytes ClassName(const KeyNode& key) const;
  void CheckLargest(const char* field, std::uint32_t stored, std::uint32_t real, std::uint32_t key);
  void CheckSecurityRing();
  void FindUnreferenced(HiveStatistics& statistics);

  static std::uint64_t At(std::uint32_t cell) { return CHive::FileOffset(cell); }
  static std::uint64_t Field(std::uint32_t cell, std::size_t field) {
    return CHive::FieldOffset(cell, field);
  }

  const CHive& m_hive;
  CFindingLog& m_findings;
  IHiveVisitor* m_pVisitor;
  CBitmap m_referenced;
  CBitmap m_keys;
  std::map<std::uint32_t, std::uint32_t> m_securityUses;
  std::vector<std::u16string> m_path;
  std::vector<std::uint8_t> m_bigData;
  HiveStatistics* m_pStatistics = nullptr;
};

}  // namespace hive
