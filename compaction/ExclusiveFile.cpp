#include "compaction/ExclusiveFile.h"

#include "platform/Platform.h"

namespace {
constexpr std::uint32_t kReadChunk = 64 * 1024;
}  // namespace

CExclusiveFile::CExclusiveFile(const CPathName& path)
    : m_handle(platform::Current().Files(),
               platform::Current().Files().OpenFileExclusive(path.GetText().GetBuffer())) {}

bool ReadWhole(platform::FileHandle file, std::uint64_t expectedSize,
               std::vector<std::uint8_t>& bytes) {
  platform::IFileSystem& files = platform::Current().Files();
  std::vector<std::uint8_t> chunk(kReadChunk);
  for (;;) {
    std::uint32_t read = 0;
    if (!files.ReadFromFile(file, chunk.data(), kReadChunk, &read)) return false;
    if (read == 0) break;
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + read);
    // Nobody can write while the handle is open, so more bytes than the size
    // said means the platform answered wrongly: trust neither.
    if (bytes.size() > expectedSize) return false;
  }
  return bytes.size() == expectedSize;
}

bool IsPlainFile(const platform::FileFacts& facts) {
  constexpr std::uint32_t kNotPlain =
      platform::kFileAttributeReparsePoint | platform::kFileAttributeDirectory;
  return (facts.attributes & kNotPlain) == 0 && facts.linkCount == 1;
}
