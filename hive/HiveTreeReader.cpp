#include "hive/HiveTreeReader.h"

#include "hive/BaseBlock.h"
#include "hive/Names.h"

#include <algorithm>
#include <string>

namespace hive {

namespace {

constexpr std::size_t kSmallestKeyCell = cell::kDataStart + nk::kFixedSize;
constexpr std::size_t kSmallestValueCell = cell::kDataStart + vk::kFixedSize;

// Rebuilds the tree from the walk's depth-first order: a key at depth d is
// the last child of the key last seen at depth d - 1.
class CTreeBuilder : public IHiveVisitor {
 public:
  CTreeBuilder(HiveKey& root, std::size_t fileSize, std::size_t descriptorByteLimit,
               std::string& unrepresentable)
      : m_root(root),
        m_fileSize(fileSize),
        m_descriptorByteLimit(descriptorByteLimit),
        m_descriptorBytesLeft(descriptorByteLimit),
        m_unrepresentable(unrepresentable) {}

  void OnKey(const std::vector<std::u16string>& path, const KeyNode& node) override {
    m_open.resize(path.size() - 1);
    m_security.resize(path.size() - 1);
    HiveKey* key = &m_root;
    if (!m_open.empty()) {
      m_open.back()->subkeys.emplace_back();
      key = &m_open.back()->subkeys.back();
    }
    m_open.push_back(key);
    key->name = path.back();
    key->flags = static_cast<std::uint16_t>(node.flags & ~kKeyCompressedName);
    key->userFlags = node.flagsAboveLargestName;
    key->accessBits = node.spare;
    key->lastWritten = node.lastWritten;
    // The counts are the file's word: no more than its cells could hold.
    key->subkeys.reserve(std::min<std::size_t>(node.subkeyCount, m_fileSize / kSmallestKeyCell));
    key->values.reserve(std::min<std::size_t>(node.valueCount, m_fileSize / kSmallestValueCell));
  }

  void OnKeyRecords(Bytes securityDescriptor, Bytes className) override {
    HiveKey* key = m_open.back();
    if (securityDescriptor.empty() && m_unrepresentable.empty())
      m_unrepresentable = "key \"" + ToUtf8(key->name) + "\" has an empty security descriptor";
    // A descriptor equal to the parent's is left empty, which means the same
    // in a tree and keeps one copy per distinct descriptor along a path.
    const std::vector<std::uint8_t>* parent = m_security.empty() ? nullptr : m_security.back();
    if (parent && std::equal(parent->begin(), parent->end(), securityDescriptor.begin(),
                             securityDescriptor.end())) {
      m_security.push_back(parent);
    } else if (securityDescriptor.size() > m_descriptorBytesLeft) {
      m_descriptorBytesLeft = 0;
      if (m_unrepresentable.empty()) {
        m_unrepresentable = "its keys' security descriptors take more than " +
                            std::to_string(m_descriptorByteLimit) + " bytes in all (from key \"" +
                            ToUtf8(key->name) + "\" on), more than any hive of Windows holds";
      }
      m_security.push_back(&key->security);
    } else {
      m_descriptorBytesLeft -= securityDescriptor.size();
      key->security.assign(securityDescriptor.begin(), securityDescriptor.end());
      m_security.push_back(&key->security);
    }
    key->className.assign(className.begin(), className.end());
  }

  void OnValue(const std::u16string& name, const ValueKey& record, Bytes data) override {
    m_open.back()->values.push_back(
        HiveValue{name,
                  record.type,
                  {data.begin(), data.end()},
                  static_cast<std::uint16_t>(record.flags & ~kValueCompressedName),
                  record.spare});
  }

 private:
  HiveKey& m_root;
  std::size_t m_fileSize;
  std::size_t m_descriptorByteLimit;
  std::size_t m_descriptorBytesLeft;
  std::string& m_unrepresentable;
  std::vector<HiveKey*> m_open;  // the keys from the root down to the last one seen
  std::vector<const std::vector<std::uint8_t>*> m_security;  // their descriptors in effect
};

}  // namespace

HiveHeader HeaderFromBaseBlock(const BaseBlock& base, Bytes file) {
  HiveHeader header;
  if (Fits(file, regf::kFileName, regf::kFileNameSize))
    header.fileName.assign(file.begin() + regf::kFileName,
                           file.begin() + regf::kFileName + regf::kFileNameSize);
  header.minorVersion = base.minorVersion;
  header.sequence = base.primarySequence;
  header.lastWritten = base.lastWritten;
  header.flags = base.flags;
  header.rmId = base.rmId;
  header.logId = base.logId;
  header.tmId = base.tmId;
  header.guidSignature = base.guidSignature;
  header.lastReorganized = base.lastReorganized;
  header.offlineAt = base.offlineAt;
  header.offlineFlags = base.offlineFlags;
  header.offlineSaved = base.offlineSaved;
  header.thawTmId = base.thawTmId;
  header.thawRmId = base.thawRmId;
  header.thawLogId = base.thawLogId;
  return header;
}

TreeReadResult ReadHiveTree(std::vector<std::uint8_t> bytes, const std::vector<LogInput>& logs,
                            std::size_t descriptorByteLimit) {
  TreeReadResult result;
  // The file name as the file holds it before any replay, as it always was.
  std::vector<std::uint8_t> fileName = HeaderFromBaseBlock(BaseBlock{}, bytes).fileName;
  CTreeBuilder builder(result.tree.root, bytes.size(), descriptorByteLimit, result.unrepresentable);
  result.check = CheckHiveBytes(std::move(bytes), logs, &builder);
  HiveHeader header = HeaderFromBaseBlock(result.check.base, Bytes());
  header.fileName = std::move(fileName);
  result.tree.header = std::move(header);
  return result;
}

}  // namespace hive
