#pragma once
// Flattens a walk into comparable lines, one per key and one per value:
//   K ROOT\Sizes
//   V ROOT\Sizes|v5|3|0a1b2c3d4e
// Names in UTF-8, data in hex, so two readers can be compared as sorted lists.

#include "hive/HiveVisitor.h"
#include "hive/Names.h"
#include "tests/hive/HiveBuilder.h"

#include <string>
#include <vector>

namespace hivetest {

std::string HexBytes(const std::uint8_t* data, std::size_t size);

class CContentCollector : public hive::IHiveVisitor {
 public:
  // Readers built on C strings end a name at an embedded NUL; comparing
  // with them needs the same cut.
  explicit CContentCollector(bool cutNamesAtNul = false) : m_bCutAtNul(cutNamesAtNul) {}

  // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "x" + string.
  void OnKey(const std::vector<std::u16string>& path, const hive::KeyNode&) override {
    m_path.clear();
    for (const std::u16string& name : path) {
      if (!m_path.empty()) m_path.push_back('\\');
      m_path.append(Text(name));
    }
    std::string line("K ");
    line.append(m_path);
    lines.push_back(std::move(line));
  }
  void OnValue(const std::u16string& name, const hive::ValueKey& record,
               hive::Bytes data) override {
    std::string line("V ");
    line.append(m_path)
        .append("|")
        .append(Text(name))
        .append("|")
        .append(std::to_string(record.type))
        .append("|");
    line.append(HexBytes(data.data(), data.size()));
    lines.push_back(std::move(line));
  }

  std::vector<std::string> lines;

 private:
  std::string Text(const std::u16string& name) const {
    return hive::ToUtf8(m_bCutAtNul ? name.substr(0, name.find(u'\0')) : name);
  }

  bool m_bCutAtNul;
  std::string m_path;
};

// The lines a correct reader produces for a built tree.
void ExpectedLines(const BuildKey& key, const std::string& parent, std::vector<std::string>& lines);

}  // namespace hivetest
