#include "offline/CompactInMemory.h"

#include "hive/BaseBlock.h"
#include "hive/FileBytes.h"
#include "hive/OutputFiles.h"
#include "hive/RecordLayout.h"
#include "hive/Sha256.h"

#include <algorithm>

namespace offline {

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return at + 4 > bytes.size() ? 0
                               : static_cast<std::uint32_t>(bytes[at]) |
                                     static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                                     static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
                                     static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Reads from the disk and keeps the written file in memory.
class CMemoryOutput : public hive::IOutputFiles {
 public:
  explicit CMemoryOutput(const std::filesystem::path& input) : m_input(input) {}

  std::optional<std::uintmax_t> Size(const std::filesystem::path& file) override {
    return m_disk.Size(file);
  }
  bool Read(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes,
            std::string& error) override {
    if (!m_disk.Read(file, bytes, error)) return false;
    RecordedFile read{hive::PathText(file.filename()), bytes.size(), hive::Sha256Hex(bytes)};
    if (file == m_input) {
      m_read.input = read;
    } else {
      m_read.logs.push_back(read);
      m_highestLogSequence = std::max(m_highestLogSequence, HighestLogSequence(bytes));
    }
    return true;
  }
  bool ReadBack(const std::filesystem::path&, hive::CFileView& view, std::string&) override {
    view = hive::CFileView(m_read.bytes);
    return true;
  }
  bool Create(const std::filesystem::path&, std::string&) override {
    m_read.bytes.clear();
    return true;
  }
  bool Append(hive::Bytes bytes, std::string&) override {
    m_read.bytes.insert(m_read.bytes.end(), bytes.begin(), bytes.end());
    return true;
  }
  bool Finish(std::string&) override { return true; }
  bool Rename(const std::filesystem::path&, const std::filesystem::path&, std::string&) override {
    return true;
  }
  void Remove(const std::filesystem::path&) override { m_read.bytes.clear(); }
  bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) override {
    return m_disk.SameFile(a, b);
  }

  CompactedHive& Result() { return m_read; }
  std::uint32_t HighestSequence() const { return m_highestLogSequence; }

 private:
  hive::CDiskFiles m_disk;
  std::filesystem::path m_input;
  CompactedHive m_read;
  std::uint32_t m_highestLogSequence = 0;
};

}  // namespace

std::uint32_t HighestLogSequence(const std::vector<std::uint8_t>& log) {
  std::uint32_t highest =
      std::max(U32(log, hive::regf::kPrimarySequence), U32(log, hive::regf::kSecondarySequence));
  for (std::size_t at = hive::hvle::kFirst; at + hive::hvle::kHeaderSize <= log.size();) {
    std::uint32_t size = U32(log, at + hive::hvle::kSize);
    if (!std::equal(log.begin() + static_cast<std::ptrdiff_t>(at),
                    log.begin() + static_cast<std::ptrdiff_t>(at) + 4, "HvLE") ||
        size < hive::hvle::kHeaderSize || size % hive::kSectorSize != 0 || size > log.size() - at)
      break;
    highest = std::max(highest, U32(log, at + hive::hvle::kSequence));
    at += size;
  }
  return highest;
}

CompactedHive CompactToMemory(const std::filesystem::path& file) {
  CMemoryOutput output(file);
  hive::CompactRequest request;
  request.input = file;
  request.output = file;
  request.output += ".kelvaro-compact";
  CompactedHive result;
  result.outcome = hive::CompactHiveFile(request, output);
  result.bytes = std::move(output.Result().bytes);
  result.input = output.Result().input;
  result.logs = output.Result().logs;
  if (result.outcome.status != hive::CompactStatus::Written) {
    result.bytes.clear();
    return result;
  }
  const std::uint32_t sequence = U32(result.bytes, hive::regf::kPrimarySequence);
  if (!result.logs.empty() && output.HighestSequence() >= sequence) {
    Put32(result.bytes, hive::regf::kPrimarySequence, output.HighestSequence() + 1);
    Put32(result.bytes, hive::regf::kSecondarySequence, output.HighestSequence() + 1);
    hive::StoreBaseBlockChecksum(
        std::span<std::uint8_t>(result.bytes.data(), hive::kBaseBlockSize));
  }
  return result;
}

}  // namespace offline
