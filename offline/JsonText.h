#pragma once
// The JSON a run record needs, both ways: a quoted string for writing, and a
// strict reader of objects, arrays, strings, whole numbers and booleans.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace offline {

// `text` (UTF-8) as a JSON string literal.
std::string Quoted(std::string_view text);

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  std::uint64_t number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue, std::less<>> members;

  // The member `name`, or null when there is none.
  const JsonValue* Member(std::string_view name) const;
  std::string TextOf(std::string_view name) const;      // "" when missing or not a string
  std::uint64_t NumberOf(std::string_view name) const;  // 0 when missing or not a number
};

// Nothing when `text` is not one whole JSON value of the kinds above.
std::optional<JsonValue> ParseJson(std::string_view text);

}  // namespace offline
