#include "offline/DurableFile.h"

#include "hive/FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace offline {

namespace {

#ifdef _WIN32
int OpenNew(const std::filesystem::path& file) {
  int descriptor = -1;
  _wsopen_s(&descriptor, file.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _SH_DENYRW,
            _S_IREAD | _S_IWRITE);
  return descriptor;
}
int WriteSome(int descriptor, const std::uint8_t* bytes, std::size_t size) {
  return _write(descriptor, bytes, static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30)));
}
int FlushToDevice(int descriptor) { return _commit(descriptor); }
int CloseFile(int descriptor) { return _close(descriptor); }
#else
int OpenNew(const std::filesystem::path& file) {
  return open(file.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
}
int WriteSome(int descriptor, const std::uint8_t* bytes, std::size_t size) {
  return static_cast<int>(write(descriptor, bytes, std::min<std::size_t>(size, 1u << 30)));
}
int FlushToDevice(int descriptor) { return fsync(descriptor); }
int CloseFile(int descriptor) { return close(descriptor); }
#endif

bool Failed(const std::filesystem::path& file, const char* what, int number, std::string& error) {
  error = hive::PathText(file) + ": " + what + " (" +
          std::make_error_code(static_cast<std::errc>(number)).message() + ")";
  return false;
}

}  // namespace

bool WriteDurableFile(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                      std::string& error) {
  int descriptor = OpenNew(file);
  if (descriptor < 0) return Failed(file, "cannot create the file", errno, error);
  std::size_t at = 0;
  while (at < bytes.size()) {
    int written = WriteSome(descriptor, bytes.data() + at, bytes.size() - at);
    if (written <= 0) {
      int number = written < 0 ? errno : ENOSPC;
      CloseFile(descriptor);
      std::filesystem::remove(file);
      return Failed(file, "cannot write", number, error);
    }
    at += static_cast<std::size_t>(written);
  }
  if (FlushToDevice(descriptor) != 0) {
    int number = errno;
    CloseFile(descriptor);
    std::filesystem::remove(file);
    return Failed(file, "cannot flush to the disk", number, error);
  }
  if (CloseFile(descriptor) != 0) {
    int number = errno;
    std::filesystem::remove(file);
    return Failed(file, "cannot close", number, error);
  }
  return true;
}

bool IsOpenElsewhere(const std::filesystem::path& file) {
#ifdef _WIN32
  int descriptor = -1;
  if (_wsopen_s(&descriptor, file.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYRW, _S_IREAD) == 0) {
    _close(descriptor);
    return false;
  }
  return errno == EACCES;
#else
  (void)file;
  return false;
#endif
}

}  // namespace offline
