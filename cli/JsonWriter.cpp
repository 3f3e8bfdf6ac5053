#include "cli/JsonWriter.h"

#include <cstdio>

std::string JsonQuoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (u < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void CJsonWriter::Separate() {
  if (m_first.empty()) return;
  if (!m_first.back()) m_out << ',';
  m_first.back() = false;
}

void CJsonWriter::Key(std::string_view key) {
  Separate();
  if (!key.empty()) m_out << JsonQuoted(key) << ':';
}

void CJsonWriter::BeginObject(std::string_view key) {
  Key(key);
  m_out << '{';
  m_first.push_back(true);
}

void CJsonWriter::EndObject() {
  m_out << '}';
  m_first.pop_back();
  if (m_first.empty()) m_out << '\n';
}

void CJsonWriter::BeginArray(std::string_view key) {
  Key(key);
  m_out << '[';
  m_first.push_back(true);
}

void CJsonWriter::EndArray() {
  m_out << ']';
  m_first.pop_back();
}

void CJsonWriter::String(std::string_view key, std::string_view value) {
  Key(key);
  m_out << JsonQuoted(value);
}

void CJsonWriter::Number(std::string_view key, std::uint64_t value) {
  Key(key);
  m_out << value;
}

void CJsonWriter::Bool(std::string_view key, bool value) {
  Key(key);
  m_out << (value ? "true" : "false");
}
