#pragma once
// Wide text for a failure message: printable ASCII as it is, anything else as '?'.
#include <string>

namespace test_support {

inline std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t ch : text) narrow.push_back(ch >= 0x20 && ch < 0x7F ? static_cast<char>(ch) : '?');
  return narrow;
}

}  // namespace test_support
