#pragma once
// A registry that passes every call on to another, and a platform that uses it:
// a test derives from the registry and overrides only the calls it changes.
#include <cstdint>
#include <vector>

#include "platform/IRegistry.h"
#include "platform/Platform.h"

namespace platform::fake {

class ForwardingRegistry : public IRegistry {
 public:
  explicit ForwardingRegistry(IRegistry& inner) : m_inner(inner) {}

  Status OpenKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options, std::uint32_t access,
                 KeyHandle* result) override {
    return m_inner.OpenKey(root, subKey, options, access, result);
  }
  Status CreateKey(KeyHandle root, const wchar_t* subKey, std::uint32_t options,
                   std::uint32_t access, KeyHandle* result, std::uint32_t* disposition) override {
    return m_inner.CreateKey(root, subKey, options, access, result, disposition);
  }
  Status CloseKey(KeyHandle key) override { return m_inner.CloseKey(key); }
  Status QueryMaxValueNameLength(KeyHandle key, std::uint32_t* maxValueNameLength) override {
    return m_inner.QueryMaxValueNameLength(key, maxValueNameLength);
  }
  Status EnumValue(KeyHandle key, std::uint32_t index, wchar_t* name, std::uint32_t* nameLength,
                   std::uint32_t* type) override {
    return m_inner.EnumValue(key, index, name, nameLength, type);
  }
  Status QueryValue(KeyHandle key, const wchar_t* valueName, std::uint32_t* type,
                    std::uint8_t* data, std::uint32_t* byteCount) override {
    return m_inner.QueryValue(key, valueName, type, data, byteCount);
  }
  Status SetValue(KeyHandle key, const wchar_t* valueName, std::uint32_t type,
                  const std::uint8_t* data, std::uint32_t byteCount) override {
    return m_inner.SetValue(key, valueName, type, data, byteCount);
  }
  Status DeleteValue(KeyHandle key, const wchar_t* valueName) override {
    return m_inner.DeleteValue(key, valueName);
  }
  Status DeleteKey(KeyHandle root, const wchar_t* subKey) override {
    return m_inner.DeleteKey(root, subKey);
  }
  Status FlushKey(KeyHandle key) override { return m_inner.FlushKey(key); }
  Status SaveKey(KeyHandle key, const wchar_t* file) override { return m_inner.SaveKey(key, file); }
  Status SaveKeyWithSecurity(KeyHandle key, const wchar_t* file,
                             const std::vector<std::uint8_t>& descriptor,
                             std::uint32_t format) override {
    return m_inner.SaveKeyWithSecurity(key, file, descriptor, format);
  }
  Status EnumSubkey(KeyHandle key, std::uint32_t index, wchar_t* name,
                    std::uint32_t* nameLength) override {
    return m_inner.EnumSubkey(key, index, name, nameLength);
  }
  Status QueryKeyVolatile(KeyHandle key, bool* isVolatile) override {
    return m_inner.QueryKeyVolatile(key, isVolatile);
  }
  Status LoadAppKey(const wchar_t* file, std::uint32_t access, KeyHandle* result) override {
    return m_inner.LoadAppKey(file, access, result);
  }
  Status LoadKey(KeyHandle root, const wchar_t* subKey, const wchar_t* file) override {
    return m_inner.LoadKey(root, subKey, file);
  }
  Status UnloadKey(KeyHandle root, const wchar_t* subKey) override {
    return m_inner.UnloadKey(root, subKey);
  }
  Status ReplaceKey(KeyHandle key, const wchar_t* subKey, const wchar_t* newFile,
                    const wchar_t* oldFile) override {
    return m_inner.ReplaceKey(key, subKey, newFile, oldFile);
  }

 protected:
  IRegistry& Inner() { return m_inner; }

 private:
  IRegistry& m_inner;
};

// `inner` in everything but the registry, which is `registry`.
class PlatformWithRegistry : public Platform {
 public:
  PlatformWithRegistry(Platform& inner, IRegistry& registry)
      : m_inner(inner), m_registry(registry) {}
  IRegistry& Registry() override { return m_registry; }
  ISecurity& Security() override { return m_inner.Security(); }
  ISystem& System() override { return m_inner.System(); }
  IFileSystem& Files() override { return m_inner.Files(); }
  IVolumes& Volumes() override { return m_inner.Volumes(); }
  ILocale& Locale() override { return m_inner.Locale(); }
  IShell& Shell() override { return m_inner.Shell(); }

 private:
  Platform& m_inner;
  IRegistry& m_registry;
};

}  // namespace platform::fake
