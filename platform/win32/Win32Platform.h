#pragma once
// The real platform: each concern forwards to the Win32 API and converts types only.
#include "platform/Platform.h"

namespace platform::win32 {

class Win32Registry : public IRegistry {
 public:
  Status OpenKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options, std::uint32_t access,
                 KeyHandle* result) override;
  Status CreateKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options,
                   std::uint32_t access, KeyHandle* result, std::uint32_t* disposition) override;
  Status CloseKey(KeyHandle key) override;
  Status QueryMaxValueNameLength(KeyHandle key, std::uint32_t* maxValueNameLength) override;
  Status EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* nameLength,
                   std::uint32_t* type) override;
  Status QueryValue(KeyHandle key, const wchar_t* valueName, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* byteCount) override;
  Status SetValue(KeyHandle key, const wchar_t* valueName, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t byteCount) override;
  Status DeleteValue(KeyHandle key, const wchar_t* valueName) override;
  Status DeleteKey(KeyHandle root, const wchar_t* subKey) override;
  Status FlushKey(KeyHandle key) override;
  Status SaveKey(KeyHandle key, const wchar_t* file) override;
  Status SaveKeyWithSecurity(KeyHandle key, const wchar_t* file,
                             const std::vector<std::uint8_t>& descriptor,
                             std::uint32_t flags) override;
  Status EnumSubkey(KeyHandle key, std::uint32_t index, wchar_t* name,
                    std::uint32_t* nameLength) override;
  Status QueryKeyVolatile(KeyHandle key, bool* isVolatile) override;
  Status ReplaceKey(KeyHandle key, const wchar_t* subKey, const wchar_t* newFile,
                    const wchar_t* oldFile) override;
  Status LoadAppKey(const wchar_t* file, std::uint32_t access, KeyHandle* result) override;
  Status LoadKey(KeyHandle root, const wchar_t* subKey, const wchar_t* file) override;
  Status UnloadKey(KeyHandle root, const wchar_t* subKey) override;
};

class Win32Security : public ISecurity {
 public:
  bool OpenProcessToken(std::uint32_t access, TokenHandle* token) override;
  bool OpenThreadToken(std::uint32_t access, bool openAsSelf, TokenHandle* token) override;
  bool CloseToken(TokenHandle token) override;
  bool GetTokenInformation(TokenHandle token, std::uint32_t informationClass, void* buffer,
                           std::uint32_t length, std::uint32_t* returnLength) override;
  bool AllocateAndInitializeSid(const std::uint8_t (&authority)[6], std::uint8_t subAuthorityCount,
                                const std::uint32_t (&subAuthorities)[8], Sid** sid) override;
  bool EqualSid(Sid* first, Sid* second) override;
  void FreeSid(Sid* sid) override;
  bool LookupPrivilege(const wchar_t* name, Luid* luid) override;
  bool AdjustTokenPrivileges(TokenHandle token, bool disableAll,
                             const SinglePrivilege& newState) override;
  bool LookupAccountBySid(const std::uint8_t* sid, wchar_t* name, std::uint32_t* nameLength,
                          wchar_t* domain, std::uint32_t* domainLength) override;
};

class Win32System : public ISystem {
 public:
  std::optional<std::uint16_t> GetNativeProcessorArchitecture() override;
  Status GetLastError() override;
  void SetLastError(Status error) override;
  std::uint32_t QueryModuleFileName(wchar_t* buffer, std::uint32_t size) override;
  std::uint32_t QueryWindowsDirectory(wchar_t* buffer, std::uint32_t size) override;
  std::uint32_t QuerySystemWindowsDirectory(wchar_t* buffer, std::uint32_t size) override;
  UtcTime QueryUtcTime() override;
  MutexHandle CreateNamedMutex(const wchar_t* name, bool* existed) override;
  bool CloseMutex(MutexHandle mutex) override;
  bool RequestShutdown(const wchar_t* message, std::uint32_t timeoutSeconds, bool forceAppsClosed,
                       bool rebootAfterShutdown) override;
};

class Win32FileSystem : public IFileSystem {
 public:
  std::uint32_t QueryFileAttributes(const wchar_t* path) override;
  bool QueryAttributesAndSize(const wchar_t* path, std::uint32_t* attributes,
                              std::uint64_t* size) override;
  bool ChangeFileAttributes(const wchar_t* path, std::uint32_t attributes) override;
  bool MakeDirectory(const wchar_t* path) override;
  bool RemoveEmptyDirectory(const wchar_t* path) override;
  bool RemoveFile(const wchar_t* path) override;
  FindHandle FindFirst(const wchar_t* pattern, FindData* data) override;
  bool FindNext(FindHandle handle, FindData* data) override;
  bool FindClose(FindHandle handle) override;
  std::uint32_t QueryTempPath(std::uint32_t size, wchar_t* buffer) override;
  bool MakeDirectoryWithSecurity(const wchar_t* path,
                                 const std::vector<std::uint8_t>& descriptor) override;
  bool ReadSecurityDescriptor(const wchar_t* path, std::vector<std::uint8_t>* descriptor) override;
  bool QueryFileFacts(const wchar_t* path, FileFacts* facts) override;
  FileHandle OpenFileExclusive(const wchar_t* path) override;
  FileHandle OpenForSecurity(const wchar_t* path) override;
  bool RewindFile(FileHandle file) override;
  bool ReadOpenFileSecurity(FileHandle file, std::vector<std::uint8_t>* descriptor) override;
  bool WriteOpenFileSecurity(FileHandle file, const std::vector<std::uint8_t>& descriptor) override;
  bool QueryOpenFileFacts(FileHandle file, FileFacts* facts) override;
  bool ReadFromFile(FileHandle file, std::uint8_t* buffer, std::uint32_t size,
                    std::uint32_t* read) override;
  bool CloseFile(FileHandle file) override;
  bool DeleteAtRestart(const wchar_t* path) override;
  bool MoveReplacing(const wchar_t* from, const wchar_t* to) override;
  bool WriteNewFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                    const std::vector<std::uint8_t>& descriptor) override;
  Status ReplaceKeepingBackup(const wchar_t* replaced, const wchar_t* replacement,
                              const wchar_t* backup) override;
  bool AppendToFile(const wchar_t* path, const std::vector<std::uint8_t>& bytes,
                    const std::vector<std::uint8_t>& descriptor) override;
};

class Win32Volumes : public IVolumes {
 public:
  std::uint32_t QueryLogicalDriveStrings(std::uint32_t bufferLength, wchar_t* buffer) override;
  std::uint32_t QueryDosDeviceName(const wchar_t* deviceName, wchar_t* targetPath,
                                   std::uint32_t maxChars) override;
};

class Win32Locale : public ILocale {
 public:
  int QueryLocaleInfo(std::uint32_t locale, std::uint32_t type, wchar_t* buffer, int size) override;
  int FormatNumberText(std::uint32_t locale, std::uint32_t flags, const wchar_t* value,
                       const NumberFormat* format, wchar_t* buffer, int size) override;
  int CompareNoCase(const wchar_t* first, const wchar_t* second) override;
  int CompareText(std::uint32_t locale, std::uint32_t flags, const wchar_t* first, int firstLength,
                  const wchar_t* second, int secondLength) override;
  std::uint32_t GetThreadLocale() override;
};

class Win32Shell : public IShell {
 public:
  bool OpenAsSignedInUser(const wchar_t* address) override;
};

class Win32Platform : public Platform {
 public:
  IRegistry& Registry() override { return m_registry; }
  ISecurity& Security() override { return m_security; }
  ISystem& System() override { return m_system; }
  IFileSystem& Files() override { return m_files; }
  IVolumes& Volumes() override { return m_volumes; }
  ILocale& Locale() override { return m_locale; }
  IShell& Shell() override { return m_shell; }

 private:
  Win32Registry m_registry;
  Win32Security m_security;
  Win32System m_system;
  Win32FileSystem m_files;
  Win32Volumes m_volumes;
  Win32Locale m_locale;
  Win32Shell m_shell;
};

}  // namespace platform::win32
