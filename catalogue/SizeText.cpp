#include "catalogue/SizeText.h"

#include <cstring>

#include "platform/Platform.h"

namespace {

// Centred on its "0" at index 35: index 35 + d is the digit for d. The mirrored
// left half would serve negative remainders, which unsigned division never gives.
constexpr wchar_t kDigitTable[] =
    L"ZYXWVUTSRQPONMLKJIHGFEDCBA9876543210123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kZeroIndex = 35;

// The 64 digits of the largest value in radix 2, a spare and the terminator.
constexpr int kDigitBufferLength = 66;

// 64 characters hold 20 digits and six separators of up to three characters.
constexpr int kFormatBufferLength = 64;

// Room for the longest separator the platform allows (four characters with the
// terminator) and one more.
constexpr int kSeparatorBufferLength = 5;
constexpr int kGroupingBufferLength = 32;

// A grouping string without any digit (an empty or unreadable one) groups by three,
// the grouping of nearly every locale.
constexpr std::uint32_t kDefaultGrouping = 3;

std::uint32_t ReadLocaleNumber(platform::ILocale& locale, std::uint32_t type) {
  // LOCALE_RETURN_NUMBER writes a 32-bit value into a buffer counted as two
  // wide characters; two wide characters always hold it, whatever their width.
  wchar_t buffer[2] = {};
  if (locale.QueryLocaleInfo(platform::kLocaleSystemDefault, type | platform::kLocaleReturnNumber,
                             buffer, 2) == 0) {
    return 0;
  }
  std::uint32_t number = 0;
  std::memcpy(&number, buffer, sizeof number);
  return number;
}

// Reads a text item; a failed read (the platform may leave part of a text
// behind) gives an empty text.
template <int Capacity>
void ReadLocaleText(platform::ILocale& locale, std::uint32_t type, wchar_t (&buffer)[Capacity]) {
  if (locale.QueryLocaleInfo(platform::kLocaleSystemDefault, type, buffer, Capacity) == 0) {
    buffer[0] = L'\0';
  }
  buffer[Capacity - 1] = L'\0';
}

std::uint32_t FirstGroupingDigit(const wchar_t* grouping) {
  for (const wchar_t* at = grouping; *at != L'\0'; ++at) {
    if (*at >= L'0' && *at <= L'9') return static_cast<std::uint32_t>(*at - L'0');
  }
  return kDefaultGrouping;
}

}  // namespace

CString IntegerToText(std::uint64_t value, std::uint32_t radix) {
  const std::uint64_t divisor = radix & 0xFFu;
  // Radix 0 would divide by zero, 1 would never finish and above 36 would read
  // past the table.
  if (divisor < 2 || divisor > 36) return CString();
  wchar_t buffer[kDigitBufferLength];
  int first = kDigitBufferLength - 1;
  buffer[first] = L'\0';
  do {
    const std::uint64_t remainder = value % divisor;
    value /= divisor;
    buffer[--first] = kDigitTable[kZeroIndex + static_cast<int>(remainder)];
  } while (value != 0);
  return CString(buffer + first);
}

CString FormatNumber(std::uint64_t value) {
  const CString digits = IntegerToText(value, 10);
  platform::ILocale& locale = platform::Current().Locale();

  wchar_t grouping[kGroupingBufferLength] = {};
  wchar_t decimalSep[kSeparatorBufferLength] = {};
  wchar_t thousandSep[kSeparatorBufferLength] = {};

  platform::NumberFormat format;
  format.numDigits = 0;
  format.leadingZero = ReadLocaleNumber(locale, platform::kLocaleILZero);
  ReadLocaleText(locale, platform::kLocaleSGrouping, grouping);
  format.grouping = FirstGroupingDigit(grouping);
  ReadLocaleText(locale, platform::kLocaleSDecimal, decimalSep);
  ReadLocaleText(locale, platform::kLocaleSThousand, thousandSep);
  format.decimalSep = decimalSep;
  format.thousandSep = thousandSep;
  format.negativeOrder = ReadLocaleNumber(locale, platform::kLocaleINegNumber);

  wchar_t output[kFormatBufferLength] = {};
  if (locale.FormatNumberText(platform::kLocaleSystemDefault, 0, digits, &format, output,
                              kFormatBufferLength) == 0) {
    // Too small groups with long separators overflow the buffer; the plain
    // digits still tell the size.
    return digits;
  }
  return CString(output);
}

CString FormatSizeKB(std::uint64_t bytes) { return FormatNumber(bytes >> 10) + L" KB"; }
