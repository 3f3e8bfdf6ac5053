#include "platform/fake/FakeLocale.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <string_view>
#include <vector>

#include "platform/fake/CaseFold.h"

namespace platform::fake {

namespace {

// LOCALE_IDIGITS holds at most two digits.
constexpr std::uint32_t kMostFractionalDigits = 99;

// Group sizes from the decimal separator leftwards; when the list is used up
// the last size repeats if `repeatLast`, otherwise the rest is one group.
struct Grouping {
  std::vector<std::uint32_t> sizes;
  bool repeatLast = false;
};

// Leading zero sizes are ignored, as Windows does.
void DropLeadingZeroSizes(Grouping& grouping) {
  std::size_t zeros = 0;
  while (zeros < grouping.sizes.size() && grouping.sizes[zeros] == 0) ++zeros;
  grouping.sizes.erase(grouping.sizes.begin(),
                       grouping.sizes.begin() + static_cast<std::ptrdiff_t>(zeros));
  if (grouping.sizes.empty()) grouping.repeatLast = false;
}

// NUMBERFMTW.Grouping: its decimal digits, most significant first, are the group
// sizes (3 => 3,3,3...; 32 => 3,2,2...); a last digit 0 means no repetition
// (30 => 3 then the rest; 0 => no grouping).
Grouping GroupingFromNumber(std::uint32_t number) {
  Grouping grouping;
  for (; number != 0; number /= 10) grouping.sizes.insert(grouping.sizes.begin(), number % 10);
  grouping.repeatLast = true;
  if (!grouping.sizes.empty() && grouping.sizes.back() == 0) {
    grouping.sizes.pop_back();
    grouping.repeatLast = false;
  }
  DropLeadingZeroSizes(grouping);
  return grouping;
}

// LOCALE_SGROUPING text, where the rule for repeating is the other way round: a
// trailing 0 asks for the last size to repeat ("3;0" => 3,3,3...; "3" => 3 then
// the rest; "3;2;0" => 3,2,2...), and a second trailing 0 stops it again
// ("2;0;0" => 2 then the rest).
Grouping GroupingFromText(std::wstring_view text) {
  Grouping grouping;
  std::uint32_t entry = 0;
  for (wchar_t ch : text) {
    if (ch == L';') {
      grouping.sizes.push_back(entry);
      entry = 0;
    } else if (ch >= L'0' && ch <= L'9') {
      entry = entry * 10 + static_cast<std::uint32_t>(ch - L'0');
    }
  }
  grouping.sizes.push_back(entry);
  grouping.repeatLast = false;
  if (grouping.sizes.back() == 0) {
    grouping.sizes.pop_back();
    grouping.repeatLast = !grouping.sizes.empty() && grouping.sizes.back() != 0;
    if (!grouping.sizes.empty() && grouping.sizes.back() == 0) grouping.sizes.pop_back();
  }
  DropLeadingZeroSizes(grouping);
  return grouping;
}

std::wstring GroupDigits(const std::wstring& digits, const Grouping& grouping,
                         std::wstring_view separator) {
  std::wstring out;
  std::size_t remaining = digits.size();
  std::size_t next = 0;
  while (remaining > 0) {
    std::size_t limit = remaining;
    if (next < grouping.sizes.size()) {
      limit = grouping.sizes[next++];
    } else if (grouping.repeatLast) {
      limit = grouping.sizes.back();
    }
    std::size_t take = limit < remaining ? limit : remaining;
    remaining -= take;
    out.insert(0, digits, remaining, take);
    if (remaining > 0) out.insert(0, separator);
  }
  return out;
}

// Adds one unit in the last place of a run of decimal digits.
void RoundUp(std::wstring& digits) {
  for (std::size_t i = digits.size(); i > 0; --i) {
    if (digits[i - 1] != L'9') {
      ++digits[i - 1];
      return;
    }
    digits[i - 1] = L'0';
  }
  digits.insert(0, 1, L'1');
}

struct ParsedNumber {
  bool negative = false;
  std::wstring whole;  // without leading zeros
  std::wstring fraction;
};

// Digits, at most one '.', and a '-' only in front; at least one digit.
bool ParseNumber(const wchar_t* value, ParsedNumber& number) {
  const wchar_t* at = value;
  if (*at == L'-') {
    number.negative = true;
    ++at;
  }
  bool seenPoint = false;
  bool seenDigit = false;
  for (; *at != L'\0'; ++at) {
    if (*at >= L'0' && *at <= L'9') {
      seenDigit = true;
      (seenPoint ? number.fraction : number.whole).push_back(*at);
    } else if (*at == L'.' && !seenPoint) {
      seenPoint = true;
    } else {
      return false;
    }
  }
  std::size_t zeros = 0;
  while (zeros < number.whole.size() && number.whole[zeros] == L'0') ++zeros;
  number.whole.erase(0, zeros);
  return seenDigit;
}

struct EffectiveFormat {
  std::uint32_t digits;
  bool leadingZero;
  Grouping grouping;
  std::wstring decimal;
  std::wstring thousand;
  std::uint32_t negativeOrder;
};

}  // namespace

const FakeNumberSettings* FakeLocale::SettingsFor(std::uint32_t locale) const {
  if (locale == kLocaleSystemDefault) return &system;
  if (locale == kLocaleUserDefault || locale == threadLocale) return &user;
  return nullptr;
}

int FakeLocale::Fail(Status error) {
  m_system.SetLastError(error);
  return 0;
}

int FakeLocale::QueryLocaleInfo(std::uint32_t locale, std::uint32_t type, wchar_t* buffer,
                                int size) {
  if (auto error = m_faults.Check("GetLocaleInfoW")) return Fail(*error);
  if (size < 0 || (size > 0 && buffer == nullptr)) return Fail(kErrorInvalidParameter);
  const FakeNumberSettings* settings = SettingsFor(locale);
  if (settings == nullptr) return Fail(kErrorInvalidParameter);
  bool asNumber = (type & kLocaleReturnNumber) != 0;
  std::uint32_t item = type & ~kLocaleReturnNumber;
  if (asNumber) {
    std::uint32_t number = 0;
    if (item == kLocaleILZero) {
      number = settings->leadingZero;
    } else if (item == kLocaleINegNumber) {
      number = settings->negativeOrder;
    } else if (item == kLocaleIDigits) {
      number = settings->digits;
    } else if (item == kLocaleSDecimal || item == kLocaleSThousand || item == kLocaleSGrouping ||
               item == kLocaleSNegativeSign) {
      return Fail(kErrorInvalidFlags);  // a text item has no number form
    } else {
      return Fail(kErrorInvalidParameter);
    }
    // The number takes two UTF-16 code units' room whatever the buffer's type.
    if (size == 0) return 2;
    if (size < 2) return Fail(kErrorInsufficientBuffer);
    std::memcpy(buffer, &number, sizeof number);
    return 2;
  }
  std::wstring text;
  switch (item) {
    case kLocaleSDecimal: text = settings->decimal; break;
    case kLocaleSThousand: text = settings->thousand; break;
    case kLocaleSGrouping: text = settings->grouping; break;
    case kLocaleSNegativeSign: text = settings->negativeSign; break;
    case kLocaleILZero: text = std::to_wstring(settings->leadingZero); break;
    case kLocaleINegNumber: text = std::to_wstring(settings->negativeOrder); break;
    case kLocaleIDigits: text = std::to_wstring(settings->digits); break;
    default: return Fail(kErrorInvalidParameter);
  }
  int needed = static_cast<int>(text.size()) + 1;
  if (size == 0) return needed;
  if (size < needed) return Fail(kErrorInsufficientBuffer);
  std::wmemcpy(buffer, text.c_str(), text.size() + 1);
  return needed;
}

int FakeLocale::FormatNumberText(std::uint32_t locale, std::uint32_t flags, const wchar_t* value,
                                 const NumberFormat* format, wchar_t* buffer, int size) {
  if (auto error = m_faults.Check("GetNumberFormatW")) return Fail(*error);
  const FakeNumberSettings* settings = SettingsFor(locale);
  if (size < 0 || (size > 0 && buffer == nullptr) || value == nullptr || settings == nullptr) {
    return Fail(kErrorInvalidParameter);
  }

  EffectiveFormat effective;
  if (format != nullptr) {
    if (flags != 0) return Fail(kErrorInvalidFlags);
    if (format->decimalSep == nullptr || format->thousandSep == nullptr) {
      return Fail(kErrorInvalidParameter);
    }
    effective = {format->numDigits,  format->leadingZero != 0, GroupingFromNumber(format->grouping),
                 format->decimalSep, format->thousandSep,      format->negativeOrder};
  } else {
    effective = {
        settings->digits,  settings->leadingZero != 0, GroupingFromText(settings->grouping),
        settings->decimal, settings->thousand,         settings->negativeOrder};
  }
  if (effective.digits > kMostFractionalDigits) return Fail(kErrorInvalidParameter);

  ParsedNumber number;
  if (!ParseNumber(value, number)) return Fail(kErrorInvalidParameter);

  // Cut or pad the fraction to the digits asked for; the first dropped digit
  // rounds half up, carrying into the whole part.
  bool roundUp = false;
  if (number.fraction.size() > effective.digits) {
    roundUp = number.fraction[effective.digits] >= L'5';
    number.fraction.resize(effective.digits);
  } else {
    number.fraction.append(effective.digits - number.fraction.size(), L'0');
  }
  if (roundUp) {
    std::wstring all = number.whole + number.fraction;
    RoundUp(all);
    number.whole = all.substr(0, all.size() - number.fraction.size());
    number.fraction = all.substr(all.size() - number.fraction.size());
  }

  std::wstring text = GroupDigits(number.whole, effective.grouping, effective.thousand);
  // With no fraction shown a zero still needs its one digit.
  if (text.empty() && (effective.leadingZero || effective.digits == 0)) text = L"0";
  if (effective.digits > 0) text += effective.decimal + number.fraction;

  if (number.negative) {
    const std::wstring& sign = settings->negativeSign;
    switch (effective.negativeOrder) {
      case 0: text = L"(" + text + L")"; break;
      case 1: text = sign + text; break;
      case 2: text = sign + L" " + text; break;
      case 3: text += sign; break;
      case 4: text += L" " + sign; break;
      default: return Fail(kErrorInvalidParameter);
    }
  }

  int needed = static_cast<int>(text.size()) + 1;
  if (size == 0) return needed;
  if (size < needed) {
    // Like lstrcpynW: as much as fits, terminated.
    std::wmemcpy(buffer, text.c_str(), static_cast<std::size_t>(size - 1));
    buffer[size - 1] = L'\0';
    return Fail(kErrorInsufficientBuffer);
  }
  std::wmemcpy(buffer, text.c_str(), text.size() + 1);
  return needed;
}

int FakeLocale::CompareNoCase(const wchar_t* first, const wchar_t* second) {
  m_faults.Check("lstrcmpiW");
  return CompareFolded(first ? first : L"", second ? second : L"");
}

int FakeLocale::CompareText(std::uint32_t, std::uint32_t flags, const wchar_t* first,
                            int firstLength, const wchar_t* second, int secondLength) {
  if (auto error = m_faults.Check("CompareStringW")) return Fail(*error);
  if (first == nullptr || second == nullptr) return Fail(kErrorInvalidParameter);
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
