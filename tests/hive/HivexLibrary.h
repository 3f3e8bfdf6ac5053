#pragma once
// libhivex, loaded at run time, as an independent reader and as a writer of
// hives with its known faults. Native test builds only.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hivetest {

class CHivexLibrary {
 public:
  CHivexLibrary();
  ~CHivexLibrary();
  CHivexLibrary(const CHivexLibrary&) = delete;
  CHivexLibrary& operator=(const CHivexLibrary&) = delete;

  bool Loaded() const { return m_pLibrary != nullptr; }

  // Every key and value as CContentCollector lines; false when hivex refuses the file.
  bool Dump(const std::filesystem::path& hive, std::vector<std::string>& lines,
            std::string& error) const;

  struct NewValue {
    std::string name;  // UTF-8
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  };
  // Adds a subkey `name` (UTF-8) under the root with `values`, and commits in place.
  bool AddKey(const std::filesystem::path& hive, const std::string& name,
              const std::vector<NewValue>& values, std::string& error) const;
  // Opens for writing and commits unchanged (hivex marks the result clean).
  bool Recommit(const std::filesystem::path& hive, std::string& error) const;

 private:
  template <typename F>
  F Symbol(const char* name) const;
  void* m_pLibrary = nullptr;
};

}  // namespace hivetest
