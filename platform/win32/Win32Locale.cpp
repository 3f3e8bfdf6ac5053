#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace platform::win32 {

int Win32Locale::QueryLocaleInfo(std::uint32_t locale, std::uint32_t type, wchar_t* buffer,
                                 int size) {
  return ::GetLocaleInfoW(locale, type, buffer, size);
}

int Win32Locale::FormatNumberText(std::uint32_t locale, std::uint32_t flags, const wchar_t* value,
                                  const NumberFormat* format, wchar_t* buffer, int size) {
  NUMBERFMTW converted{};
  if (format != nullptr) {
    converted.NumDigits = format->numDigits;
    converted.LeadingZero = format->leadingZero;
    converted.Grouping = format->grouping;
    converted.lpDecimalSep = format->decimalSep;
    converted.lpThousandSep = format->thousandSep;
    converted.NegativeOrder = format->negativeOrder;
  }
  return ::GetNumberFormatW(locale, flags, value, format != nullptr ? &converted : nullptr, buffer,
                            size);
}

int Win32Locale::CompareNoCase(const wchar_t* first, const wchar_t* second) {
  return ::lstrcmpiW(first, second);
}

int Win32Locale::CompareText(std::uint32_t locale, std::uint32_t flags, const wchar_t* first,
                             int firstLength, const wchar_t* second, int secondLength) {
  return ::CompareStringW(locale, flags, first, firstLength, second, secondLength);
}

std::uint32_t Win32Locale::GetThreadLocale() { return ::GetThreadLocale(); }

}  // namespace platform::win32
