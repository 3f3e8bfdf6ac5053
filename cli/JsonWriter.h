#pragma once
// A minimal streaming JSON writer: enough for the tool's reports.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class CJsonWriter {
 public:
  explicit CJsonWriter(std::ostream& out) : m_out(out) {}
  CJsonWriter(const CJsonWriter&) = delete;
  CJsonWriter& operator=(const CJsonWriter&) = delete;

  void BeginObject(std::string_view key = {});
  void EndObject();
  void BeginArray(std::string_view key = {});
  void EndArray();
  void String(std::string_view key, std::string_view value);
  void Number(std::string_view key, std::uint64_t value);
  void Bool(std::string_view key, bool value);

 private:
  void Key(std::string_view key);
  void Separate();

  std::ostream& m_out;
  std::vector<bool> m_first;  // per open container: nothing written yet
};

// `text` as a JSON string literal; invalid UTF-8 bytes pass through unchanged.
std::string JsonQuoted(std::string_view text);
