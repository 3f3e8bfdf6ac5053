// libFuzzer target: open, validate and walk any bytes as a hive, and replay
// them as a transaction log against themselves marked dirty.

#include "hive/HiveCheck.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Touches every name and data byte so the sanitizers see any stray read.
class CTouchVisitor : public hive::IHiveVisitor {
 public:
  void OnKey(const std::vector<std::u16string>& path, const hive::KeyNode&) override {
    for (char16_t c : path.back()) m_sum += c;
  }
  void OnValue(const std::u16string& name, const hive::ValueKey& record,
               hive::Bytes data) override {
    m_sum += record.type + record.flags + name.size();
    for (std::uint8_t b : data) m_sum += b;
  }
  std::uint64_t m_sum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  CTouchVisitor visitor;
  hive::CheckHiveBytes(bytes, {}, &visitor);
  if (size >= 512 && data[0] == 'r') {
    std::vector<std::uint8_t> primary = bytes;
    primary[hive::regf::kPrimarySequence] ^= 1;  // sequence numbers differ: dirty
    hive::CheckHiveBytes(std::move(primary), {hive::LogInput{"log", bytes}}, &visitor);
  }
  return 0;
}
