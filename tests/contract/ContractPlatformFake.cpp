#include "platform/fake/FakeWindows.h"
#include "tests/contract/ContractFake.h"
#include "tests/contract/ContractPlatform.h"

namespace contract {

platform::fake::FakeWindows& Fake() {
  static platform::fake::FakeWindows fake;
  return fake;
}

platform::Platform& Platform() { return Fake(); }
bool OnRealWindows() { return false; }

std::wstring ScratchFolder() {
  static std::wstring folder;
  if (folder.empty()) {
    auto& files = Fake().Files();
    files.MakeDirectory(L"C:\\Temp");
    files.MakeDirectory(L"C:\\Temp\\kelvaro-contract");
    folder = L"C:\\Temp\\kelvaro-contract";
  }
  return folder;
}

}  // namespace contract
