#include "compaction/CopySubtrees.h"

#include "compaction/ExclusiveFile.h"
#include "hive/Names.h"
#include "hive/SpaceAccount.h"
#include "platform/Platform.h"

std::vector<SubtreeSize> LargestSubtreesOfCopy(const CPathName& copy) {
  // Read again through a handle that keeps every writer out, as the check did.
  std::vector<std::uint8_t> bytes;
  {
    CExclusiveFile file(copy);
    platform::FileFacts facts;
    if (!file.IsOpen() || !platform::Current().Files().QueryOpenFileFacts(file.Get(), &facts) ||
        !IsPlainFile(facts) || !ReadWhole(file.Get(), facts.size, bytes)) {
      return {};
    }
  }
  const hive::SpaceAccountResult result =
      hive::AccountHiveBytes(std::move(bytes), {}, kSubtreeDepth);
  if (!result.refusal.empty()) return {};
  std::vector<SubtreeSize> subtrees;
  for (std::uint32_t index : hive::LargestSubtrees(result.account, kSubtreesKept, kSubtreeDepth)) {
    const hive::SpaceNode& node = result.account.nodes[index];
    SubtreeSize subtree;
    if (node.depth != 0) subtree.path = hive::ToWide(hive::SpaceNodePath(result.account, index));
    subtree.depth = node.depth;
    subtree.bytes = node.bytes;
    subtrees.push_back(std::move(subtree));
  }
  return subtrees;
}
