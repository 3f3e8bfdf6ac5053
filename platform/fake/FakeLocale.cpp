#include "platform/fake/FakeLocale.h"

#include <cstring>
#include <cwchar>
#include <string_view>

#include "platform/fake/CaseFold.h"

namespace platform::fake {

const FakeNumberSettings* FakeLocale::SettingsFor(std::uint32_t locale) const {
  if (locale == kLocaleSystemDefault) return &system;
  if (locale == kLocaleUserDefault || locale == threadLocale) return &user;
  return nullptr;
}

int FakeLocale::GetLocaleInfo(std::uint32_t locale, std::uint32_t type, wchar_t* buffer,
                              int size) {
  if (auto error = m_faults.Check("GetLocaleInfoW")) {
    m_system.SetLastError(*error);
    return 0;
  }
  const FakeNumberSettings* settings = SettingsFor(locale);
  if (settings == nullptr) {
    m_system.SetLastError(kErrorInvalidParameter);
    return 0;
  }
  bool asNumber = (type & kLocaleReturnNumber) != 0;
  std::uint32_t item = type & ~kLocaleReturnNumber;
  if (asNumber) {
    std::uint32_t number = 0;
    if (item == kLocaleILZero) {
      number = settings->leadingZero;
    } else if (item == kLocaleINegNumber) {
      number = settings->negativeOrder;
    } else {
      m_system.SetLastError(kErrorInvalidParameter);
      return 0;
    }
    if (size < 2) {
      m_system.SetLastError(kErrorInsufficientBuffer);
      return 0;
    }
    std::memcpy(buffer, &number, sizeof number);
    return 2;
  }
  std::wstring text;
  switch (item) {
    case kLocaleSDecimal: text = settings->decimal; break;
    case kLocaleSThousand: text = settings->thousand; break;
    case kLocaleSGrouping: text = settings->grouping; break;
    case kLocaleILZero: text = std::to_wstring(settings->leadingZero); break;
    case kLocaleINegNumber: text = std::to_wstring(settings->negativeOrder); break;
    default: m_system.SetLastError(kErrorInvalidParameter); return 0;
  }
  int needed = static_cast<int>(text.size()) + 1;
  if (size == 0) return needed;
  if (size < needed) {
    m_system.SetLastError(kErrorInsufficientBuffer);
    return 0;
  }
  std::wmemcpy(buffer, text.c_str(), text.size() + 1);
  return needed;
}

int FakeLocale::GetNumberFormat(std::uint32_t, std::uint32_t, const wchar_t*, const NumberFormat*,
                                wchar_t*, int) {
  if (auto error = m_faults.Check("GetNumberFormatW")) {
    m_system.SetLastError(*error);
    return 0;
  }
  constexpr Status kErrorCallNotImplemented = 120;
  m_system.SetLastError(kErrorCallNotImplemented);
  return 0;
}

int FakeLocale::CompareNoCase(const wchar_t* first, const wchar_t* second) {
  m_faults.Check("lstrcmpiW");
  return CompareFolded(first ? first : L"", second ? second : L"");
}

int FakeLocale::CompareString(std::uint32_t, std::uint32_t flags, const wchar_t* first,
                              int firstLength, const wchar_t* second, int secondLength) {
  if (auto error = m_faults.Check("CompareStringW")) {
    m_system.SetLastError(*error);
    return 0;
  }
  if (first == nullptr || second == nullptr) {
    m_system.SetLastError(kErrorInvalidParameter);
    return 0;
  }
  std::wstring_view a(first, firstLength < 0 ? std::wcslen(first) : std::size_t(firstLength));
  std::wstring_view b(second, secondLength < 0 ? std::wcslen(second) : std::size_t(secondLength));
  int order = 0;
  if ((flags & kNormIgnoreCase) != 0) {
    order = CompareFolded(a, b);
  } else {
    order = a.compare(b);
  }
  return order < 0 ? 1 : (order == 0 ? 2 : 3);
}

}  // namespace platform::fake
