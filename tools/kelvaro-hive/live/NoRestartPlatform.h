#pragma once
// The installed platform with one difference: a restart request is declined
// without reaching Windows. The command line's --no-restart runs the one
// compaction run under it, so the run's own steps stay exactly the window's.
#include "platform/Platform.h"

class CNoRestartPlatform : public platform::Platform {
 public:
  explicit CNoRestartPlatform(platform::Platform& inner)
      : m_inner(inner), m_system(inner.System()) {}

  platform::IRegistry& Registry() override { return m_inner.Registry(); }
  platform::ISecurity& Security() override { return m_inner.Security(); }
  platform::ISystem& System() override { return m_system; }
  platform::IFileSystem& Files() override { return m_inner.Files(); }
  platform::IVolumes& Volumes() override { return m_inner.Volumes(); }
  platform::ILocale& Locale() override { return m_inner.Locale(); }
  platform::IShell& Shell() override { return m_inner.Shell(); }

 private:
  class CNoRestartSystem : public platform::ISystem {
   public:
    explicit CNoRestartSystem(platform::ISystem& inner) : m_inner(inner) {}
    std::optional<std::uint16_t> GetNativeProcessorArchitecture() override {
      return m_inner.GetNativeProcessorArchitecture();
    }
    platform::Status GetLastError() override { return m_inner.GetLastError(); }
    void SetLastError(platform::Status error) override { m_inner.SetLastError(error); }
    std::uint32_t QueryModuleFileName(wchar_t* buffer, std::uint32_t size) override {
      return m_inner.QueryModuleFileName(buffer, size);
    }
    std::uint32_t QueryWindowsDirectory(wchar_t* buffer, std::uint32_t size) override {
      return m_inner.QueryWindowsDirectory(buffer, size);
    }
    std::uint32_t QuerySystemWindowsDirectory(wchar_t* buffer, std::uint32_t size) override {
      return m_inner.QuerySystemWindowsDirectory(buffer, size);
    }
    bool RequestShutdown(const wchar_t*, std::uint32_t, bool, bool) override { return false; }

   private:
    platform::ISystem& m_inner;
  };

  platform::Platform& m_inner;
  CNoRestartSystem m_system;
};
