#include "tests/contract/ContractFake.h"
#include "tests/contract/ContractFiles.h"

#include <stdexcept>

namespace contract {

bool MakeLargeFile(const std::wstring& path, std::uint64_t size) {
  auto& files = Fake().files;
  if (files.Exists(path)) return false;
  try {
    files.AddFile(path, size, platform::kFileAttributeArchive);
  } catch (const std::invalid_argument&) {
    return false;
  }
  return true;
}

bool MakeFileWithBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  auto& files = Fake().files;
  if (files.Exists(path)) return false;
  try {
    files.WriteFile(path, bytes);
  } catch (const std::invalid_argument&) {
    return false;
  }
  return true;
}

}  // namespace contract
