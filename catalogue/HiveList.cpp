#include "catalogue/HiveList.h"

#include <algorithm>

#include "catalogue/DriveMap.h"
#include "catalogue/HiveNames.h"
#include "catalogue/RegistryKey.h"
#include "path/FileOperations.h"

namespace {

constexpr std::uint32_t kInitialBufferBytes = 256;
constexpr std::uint32_t kCharBytes = sizeof(wchar_t);

// The text the data holds, up to its terminator but never past its size: the
// registry does not promise a terminator in REG_SZ data.
CString TextOfData(const CRegistryBuffer& data) {
  const std::uint32_t bytes = std::min(data.size, data.Capacity());
  const wchar_t* text = data.Text();
  const wchar_t* end = text + bytes / kCharBytes;
  return CString(text, static_cast<std::size_t>(std::find(text, end, L'\0') - text));
}

}  // namespace

bool PassesHiveValueFilter(platform::Status queryResult, const CRegistryBuffer& name,
                           const CRegistryBuffer& data) {
  if (queryResult != platform::kErrorSuccess) return false;
  if (data.type != platform::kRegSz) return false;
  // Skips the unnamed default value and one-character names.
  if (name.size <= kCharBytes) return false;
  // Data shorter than one character holds no text; its buffer still holds the
  // previous value's bytes, which must not be taken for this one's.
  if (data.size < kCharBytes || data.Data() == nullptr) return false;
  return data.Text()[0] != L'\0';
}

void ForEachListedHive(const std::function<void(const ListedHive&)>& visit) {
  const DriveMap drives = BuildDriveMap();
  CRegistryKey key;
  if (key.Open(platform::kHKeyLocalMachine, kHiveListKey, platform::kKeyRead) !=
      platform::kErrorSuccess) {
    return;
  }
  CRegistryBuffer name;
  CRegistryBuffer data;
  name.Reserve(kInitialBufferBytes);
  data.Reserve(kInitialBufferBytes);
  std::uint32_t index = 0;
  while (key.EnumValue(name, index) == platform::kErrorSuccess) {
    const platform::Status read = key.QueryValue(name.Text(), data);
    if (!PassesHiveValueFilter(read, name, data)) continue;
    const CString fileName = TextOfData(data);
    visit({TranslateHiveName(name.Text()), TranslateDevicePath(fileName, drives)});
  }
}

std::vector<std::unique_ptr<HiveEntry>> CollectHives() {
  std::vector<std::unique_ptr<HiveEntry>> hives;
  ForEachListedHive([&hives](const ListedHive& listed) {
    auto entry = std::make_unique<HiveEntry>();
    entry->name = listed.name;
    // A text the path library rejects leaves the path empty; nothing is reported.
    entry->path.SetPath(listed.fileText);
    std::uint64_t size = 0;
    if (GetFileSize(entry->path, size)) entry->size = size;
    hives.push_back(std::move(entry));
  });
  return hives;
}
