#pragma once
// Locale information, number formatting and locale-aware comparisons (kernel32).
#include <cstdint>

namespace platform {

// NUMBERFMTW.
struct NumberFormat {
  std::uint32_t numDigits = 0;
  std::uint32_t leadingZero = 0;
  std::uint32_t grouping = 0;
  wchar_t* decimalSep = nullptr;
  wchar_t* thousandSep = nullptr;
  std::uint32_t negativeOrder = 0;
};

class ILocale {
 public:
  virtual ~ILocale() = default;

  // GetLocaleInfoW. With kLocaleReturnNumber in type the number is written into
  // the buffer as a 32-bit value and size counts wide characters (2 for it).
  // Returns the characters written including the terminator, 0 on failure.
  virtual int QueryLocaleInfo(std::uint32_t locale, std::uint32_t type, wchar_t* buffer,
                              int size) = 0;
  // GetNumberFormatW: characters written including the terminator, 0 on failure.
  virtual int FormatNumberText(std::uint32_t locale, std::uint32_t flags, const wchar_t* value,
                               const NumberFormat* format, wchar_t* buffer, int size) = 0;
  // lstrcmpiW: negative, zero or positive.
  virtual int CompareNoCase(const wchar_t* first, const wchar_t* second) = 0;
  // CompareStringW: 1 less, 2 equal, 3 greater, 0 on failure. Lengths may be -1
  // for zero-terminated texts.
  virtual int CompareText(std::uint32_t locale, std::uint32_t flags, const wchar_t* first,
                          int firstLength, const wchar_t* second, int secondLength) = 0;
  // GetThreadLocale.
  virtual std::uint32_t GetThreadLocale() = 0;
};

}  // namespace platform
