#include "offline/JsonText.h"

#include <cstdio>

#include "hive/Names.h"

namespace offline {

namespace {

class CParser {
 public:
  explicit CParser(std::string_view text) : m_text(text) {}

  bool Whole(JsonValue& value) {
    if (!Value(value, 0)) return false;
    Space();
    return m_at == m_text.size();
  }

 private:
  static constexpr int kDeepest = 32;

  void Space() {
    while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\n' ||
                                    m_text[m_at] == '\r' || m_text[m_at] == '\t'))
      ++m_at;
  }
  bool Take(char c) {
    Space();
    if (m_at < m_text.size() && m_text[m_at] == c) {
      ++m_at;
      return true;
    }
    return false;
  }
  bool Word(std::string_view word) {
    if (m_text.substr(m_at, word.size()) != word) return false;
    m_at += word.size();
    return true;
  }

  bool Value(JsonValue& value, int depth) {
    if (depth > kDeepest) return false;
    Space();
    if (m_at >= m_text.size()) return false;
    char c = m_text[m_at];
    if (c == '{') return Object(value, depth);
    if (c == '[') return Array(value, depth);
    if (c == '"') {
      value.kind = JsonValue::Kind::String;
      return String(value.text);
    }
    if (c >= '0' && c <= '9') return Number(value);
    value.kind = JsonValue::Kind::Bool;
    if (Word("true")) return value.boolean = true;
    if (Word("false")) return true;
    value.kind = JsonValue::Kind::Null;
    return Word("null");
  }

  bool Number(JsonValue& value) {
    value.kind = JsonValue::Kind::Number;
    std::size_t start = m_at;
    while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
      std::uint64_t digit = static_cast<std::uint64_t>(m_text[m_at] - '0');
      if (value.number > (UINT64_MAX - digit) / 10) return false;
      value.number = value.number * 10 + digit;
      ++m_at;
    }
    return m_at - start == 1 || m_text[start] != '0';
  }

  bool Hex4(std::uint32_t& unit) {
    if (m_text.size() - m_at < 4) return false;
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      char c = m_text[m_at++];
      unit <<= 4;
      if (c >= '0' && c <= '9')
        unit |= static_cast<std::uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f')
        unit |= static_cast<std::uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        unit |= static_cast<std::uint32_t>(c - 'A' + 10);
      else
        return false;
    }
    return true;
  }

  bool String(std::string& out) {
    ++m_at;  // the opening quote
    while (m_at < m_text.size()) {
      char c = m_text[m_at++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (m_at >= m_text.size()) return false;
      char escape = m_text[m_at++];
      switch (escape) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          std::uint32_t unit = 0;
          if (!Hex4(unit)) return false;
          if (unit >= 0xd800 && unit < 0xdc00) {
            std::uint32_t low = 0;
            if (!Word("\\u") || !Hex4(low) || low < 0xdc00 || low >= 0xe000) return false;
            unit = 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00);
          } else if (unit >= 0xdc00 && unit < 0xe000) {
            return false;
          }
          hive::AppendUtf8(out, unit);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  bool Array(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Array;
    ++m_at;
    if (Take(']')) return true;
    do {
      JsonValue item;
      if (!Value(item, depth + 1)) return false;
      value.items.push_back(std::move(item));
    } while (Take(','));
    return Take(']');
  }

  bool Object(JsonValue& value, int depth) {
    value.kind = JsonValue::Kind::Object;
    ++m_at;
    if (Take('}')) return true;
    do {
      Space();
      std::string name;
      if (m_at >= m_text.size() || m_text[m_at] != '"' || !String(name) || !Take(':')) return false;
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      if (!value.members.emplace(std::move(name), std::move(member)).second) return false;
    } while (Take(','));
    return Take('}');
  }

  std::string_view m_text;
  std::size_t m_at = 0;
};

}  // namespace

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

const JsonValue* JsonValue::Member(std::string_view name) const {
  auto found = members.find(name);
  return found == members.end() ? nullptr : &found->second;
}

std::string JsonValue::TextOf(std::string_view name) const {
  const JsonValue* member = Member(name);
  return member && member->kind == Kind::String ? member->text : std::string();
}

std::uint64_t JsonValue::NumberOf(std::string_view name) const {
  const JsonValue* member = Member(name);
  return member && member->kind == Kind::Number ? member->number : 0;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
  JsonValue value;
  if (!CParser(text).Whole(value)) return std::nullopt;
  return value;
}

}  // namespace offline
