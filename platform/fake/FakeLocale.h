#pragma once
// The fake Windows' locales: the system default locale's number settings, a
// different user locale (so tests can tell which one a caller read), number
// formatting as GetNumberFormatW does it and case-insensitive comparisons (see
// CaseFold.h).
#include <string>

#include "platform/ILocale.h"
#include "platform/fake/FakeSystem.h"
#include "platform/fake/FaultPlan.h"

namespace platform::fake {

// One locale's number items, as GetLocaleInfoW reports them.
struct FakeNumberSettings {
  std::wstring decimal = L".";       // LOCALE_SDECIMAL
  std::wstring thousand = L",";      // LOCALE_STHOUSAND
  std::wstring grouping = L"3;0";    // LOCALE_SGROUPING, in the locale's text form
  std::uint32_t leadingZero = 1;     // LOCALE_ILZERO
  std::uint32_t negativeOrder = 1;   // LOCALE_INEGNUMBER
  std::uint32_t digits = 2;          // LOCALE_IDIGITS
  std::wstring negativeSign = L"-";  // LOCALE_SNEGATIVESIGN
};

class FakeLocale : public ILocale {
 public:
  FakeLocale(FaultPlan& faults, FakeSystem& system) : m_faults(faults), m_system(system) {}

  int QueryLocaleInfo(std::uint32_t locale, std::uint32_t type, wchar_t* buffer, int size) override;
  int FormatNumberText(std::uint32_t locale, std::uint32_t flags, const wchar_t* value,
                       const NumberFormat* format, wchar_t* buffer, int size) override;
  int CompareNoCase(const wchar_t* first, const wchar_t* second) override;
  int CompareText(std::uint32_t locale, std::uint32_t flags, const wchar_t* first, int firstLength,
                  const wchar_t* second, int secondLength) override;
  std::uint32_t GetThreadLocale() override { return threadLocale; }

  FakeNumberSettings system;                          // LOCALE_SYSTEM_DEFAULT
  FakeNumberSettings user{L",", L".", L"3;0", 1, 1};  // LOCALE_USER_DEFAULT: deliberately unlike
  std::uint32_t threadLocale = 0x409;

 private:
  const FakeNumberSettings* SettingsFor(std::uint32_t locale) const;
  int Fail(Status error);
  FaultPlan& m_faults;
  FakeSystem& m_system;
};

}  // namespace platform::fake
