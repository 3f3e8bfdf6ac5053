#include "tests/hive/ContentCollector.h"

namespace hivetest {

std::string HexBytes(const std::uint8_t* data, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    text += digits[data[i] >> 4];
    text += digits[data[i] & 15];
  }
  return text;
}

void ExpectedLines(const BuildKey& key, const std::string& parent,
                   std::vector<std::string>& lines) {
  std::string path = (parent.empty() ? "" : parent + "\\") + hive::ToUtf8(key.name);
  lines.push_back("K " + path);
  for (const BuildValue& value : key.values)
    lines.push_back("V " + path + "|" + hive::ToUtf8(value.name) + "|" +
                    std::to_string(value.type) + "|" +
                    HexBytes(value.data.data(), value.data.size()));
  for (const BuildKey& child : key.subkeys) ExpectedLines(child, path, lines);
}

}  // namespace hivetest
