#include "catalogue/HiveNames.h"

#include <string_view>

#include "catalogue/AsciiFold.h"

namespace {

struct KernelRoot {
  std::wstring_view kernelPrefix;
  const wchar_t* userPrefix;
};

constexpr KernelRoot kRoots[] = {
    {L"\\REGISTRY\\MACHINE\\", L"HKLM\\"},
    {L"\\REGISTRY\\USER\\", L"HKU\\"},
};

}  // namespace

CString TranslateHiveName(const wchar_t* kernelName) {
  std::wstring_view name = kernelName != nullptr ? kernelName : L"";
  for (const KernelRoot& root : kRoots) {
    if (StartsWithAsciiNoCase(name, root.kernelPrefix)) {
      return CString(root.userPrefix) +
             CString(std::wstring(name.substr(root.kernelPrefix.size())));
    }
  }
  return CString();
}
