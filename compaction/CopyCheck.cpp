#include "compaction/CopyCheck.h"

#include <vector>

#include "compaction/ExclusiveFile.h"
#include "hive/Sha256.h"
#include "hive/HiveTreeReader.h"
#include "hive/Names.h"
#include "hive/Records.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

namespace {

constexpr std::uint32_t kMaxKeyNameLength = 256;  // 255 characters and the terminator

// The live key's subkey names; nothing when the registry will not list them.
std::optional<std::vector<std::u16string>> LiveSubkeys(platform::KeyHandle key) {
  platform::IRegistry& registry = platform::Current().Registry();
  std::vector<std::u16string> names;
  wchar_t name[kMaxKeyNameLength];
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t length = kMaxKeyNameLength;
    platform::Status status = registry.EnumSubkey(key, index, name, &length);
    if (status == platform::kErrorNoMoreItems) return names;
    if (status != platform::kErrorSuccess || length >= kMaxKeyNameLength) return std::nullopt;
    names.push_back(hive::FromWide(std::wstring_view(name, length)));
  }
}

bool Contains(const std::vector<std::u16string>& names, const std::u16string& wanted) {
  for (const std::u16string& name : names) {
    if (hive::CompareNames(name, wanted) == 0) return true;
  }
  return false;
}

// A live subkey the copy lacks is fine only when the registry says it is
// volatile; a key it cannot ask about counts as one that should be there.
bool IsVolatile(platform::KeyHandle parent, const std::u16string& name) {
  platform::IRegistry& registry = platform::Current().Registry();
  const std::wstring text = hive::ToWide(name);
  platform::KeyHandle opened = 0;
  // The link itself (CurrentControlSet is a volatile link), not its target.
  if (registry.OpenKey(parent, text.c_str(), platform::kRegOptionOpenLink, platform::kKeyQueryValue,
                       &opened) != platform::kErrorSuccess) {
    return false;
  }
  platform::ScopedKey subkey(registry, opened);
  bool isVolatile = false;
  platform::Status status = registry.QueryKeyVolatile(subkey.Get(), &isVolatile);
  return status == platform::kErrorSuccess && isVolatile;
}

bool SameTopLevelKeys(const hive::HiveKey& copyRoot, platform::KeyHandle liveKey) {
  std::optional<std::vector<std::u16string>> live = LiveSubkeys(liveKey);
  if (!live) return false;
  std::vector<std::u16string> copied;
  for (const hive::HiveKey& subkey : copyRoot.subkeys) copied.push_back(subkey.name);
  for (const std::u16string& name : copied) {
    if (!Contains(*live, name)) return false;
  }
  for (const std::u16string& name : *live) {
    if (!Contains(copied, name) && !IsVolatile(liveKey, name)) return false;
  }
  return true;
}

}  // namespace

CopyVerdict CheckCompactCopy(const CPathName& copy, platform::KeyHandle liveKey,
                             std::uint32_t volumeSerialNumber) {
  CopyVerdict verdict;
  CExclusiveFile file(copy);
  if (!file.IsOpen()) return CopyVerdict{CopyRefusal::kNotOpened, 0, {}};
  platform::FileFacts facts;
  if (!platform::Current().Files().QueryOpenFileFacts(file.Get(), &facts)) {
    return CopyVerdict{CopyRefusal::kUnreadable, 0, {}};
  }
  if (!IsPlainFile(facts)) return CopyVerdict{CopyRefusal::kNotPlainFile, 0, {}};
  if (facts.volumeSerialNumber != volumeSerialNumber) {
    return CopyVerdict{CopyRefusal::kOtherVolume, 0, {}};
  }
  std::vector<std::uint8_t> bytes;
  if (!ReadWhole(file.Get(), facts.size, bytes))
    return CopyVerdict{CopyRefusal::kUnreadable, 0, {}};
  verdict.size = bytes.size();
  verdict.sha256 = hive::Sha256Hex(bytes);
  hive::TreeReadResult read = hive::ReadHiveTree(std::move(bytes), {});
  // Too many descriptor bytes to hold is no save of Windows either.
  if (read.check.verdict != hive::Verdict::Sound || !read.unrepresentable.empty()) {
    verdict.refusal = CopyRefusal::kNotSoundHive;
  } else if ((read.tree.root.flags & hive::kKeyHiveEntry) == 0) {
    verdict.refusal = CopyRefusal::kNotRootKey;
  } else if (!SameTopLevelKeys(read.tree.root, liveKey)) {
    verdict.refusal = CopyRefusal::kKeysDiffer;
  }
  return verdict;
}
