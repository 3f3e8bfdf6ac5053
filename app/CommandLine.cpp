#include "app/CommandLine.h"

#include "platform/Platform.h"

namespace {
constexpr const wchar_t* kResultsSwitch = L"results";
constexpr const wchar_t* kSwitchPrefixes = L"-/";

bool IsBlank(wchar_t ch) { return ch == L' ' || ch == L'\t'; }
}  // namespace

const wchar_t* FindNextSwitch(const wchar_t* text, const wchar_t* prefixes) {
  if (text == nullptr) return nullptr;
  for (const wchar_t* p = text; *p != L'\0'; ++p) {
    for (const wchar_t* prefix = prefixes; *prefix != L'\0'; ++prefix) {
      if (*p == *prefix) return p + 1;
    }
  }
  return nullptr;
}

const wchar_t* CommandLineTail(const wchar_t* commandLine) {
  if (commandLine == nullptr) return L"";
  const wchar_t* p = commandLine;
  if (*p == L'"') {
    ++p;
    while (*p != L'\0' && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p != L'\0' && !IsBlank(*p)) ++p;
  }
  while (IsBlank(*p)) ++p;
  return p;
}

bool IsResultsSwitchPresent(const wchar_t* tail) {
  for (const wchar_t* p = FindNextSwitch(tail, kSwitchPrefixes); p != nullptr;
       p = FindNextSwitch(p, kSwitchPrefixes)) {
    if (platform::Current().Locale().CompareNoCase(p, kResultsSwitch) == 0) return true;
  }
  return false;
}
