#include "offline/FileAccessRules.h"

#include "hive/FileBytes.h"

#include <cerrno>
#include <system_error>
#include <vector>

#ifdef __linux__
#include <sys/xattr.h>
#endif

namespace offline {

namespace {

#ifndef _WIN32
bool CopyModeBits(const std::filesystem::path& from, const std::filesystem::path& to,
                  std::string& error) {
  std::error_code code;
  std::filesystem::perms mode = std::filesystem::status(from, code).permissions();
  if (!code) std::filesystem::permissions(to, mode, code);
  if (!code) return true;
  error = hive::PathText(to) + ": cannot take the permissions of " + hive::PathText(from) + " (" +
          code.message() + ")";
  return false;
}
#endif

#ifdef __linux__
// 0 when `from` has no such attribute, -1 on failure, otherwise 1.
int CopyAttribute(const char* name, const std::filesystem::path& from,
                  const std::filesystem::path& to, std::string& error) {
  ssize_t size = getxattr(from.c_str(), name, nullptr, 0);
  if (size < 0) {
    if (errno == ENODATA || errno == ENOTSUP) return 0;
    error = hive::PathText(from) + ": cannot read " + name + " (" +
            std::make_error_code(static_cast<std::errc>(errno)).message() + ")";
    return -1;
  }
  std::vector<char> value(static_cast<std::size_t>(size));
  size = getxattr(from.c_str(), name, value.data(), value.size());
  if (size < 0 ||
      setxattr(to.c_str(), name, value.data(), static_cast<std::size_t>(size), 0) != 0) {
    error = hive::PathText(to) + ": cannot set " + name + " (" +
            std::make_error_code(static_cast<std::errc>(errno)).message() + ")";
    return -1;
  }
  return 1;
}
#endif

}  // namespace

bool CopyFileAccessRules(const std::filesystem::path& from, const std::filesystem::path& to,
                         std::string& error) {
#ifdef _WIN32
  (void)from;
  (void)to;
  (void)error;
  return true;
#else
#ifdef __linux__
  bool any = false;
  for (const char* name : kNtfsAccessAttributes) {
    int copied = CopyAttribute(name, from, to, error);
    if (copied < 0) return false;
    any = any || copied > 0;
  }
  if (any) return true;
#endif
  return CopyModeBits(from, to, error);
#endif
}

}  // namespace offline
