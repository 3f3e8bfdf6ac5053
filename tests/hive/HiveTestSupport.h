#pragma once
// Shared helpers of the hive tests: a scratch folder, the real hives of
// shared/hives unpacked into it, and a few generated trees.

#include "tests/hive/HiveBuilder.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hivetest {

// A fresh folder under the system temporary folder, removed with its contents.
class CScratchFolder {
 public:
  CScratchFolder();
  ~CScratchFolder();
  CScratchFolder(const CScratchFolder&) = delete;
  CScratchFolder& operator=(const CScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

// The sample hives: the folder named by the environment variable
// KELVARO_SAMPLE_HIVES, else the one the build was configured with (CMake
// option KELVARO_SAMPLE_HIVES, by default ../shared/hives beside the source
// tree); empty when it cannot be seen (under Wine xz is not there to unpack).
std::filesystem::path SharedHivesFolder();
// Where the sample hives were looked for, for skip messages.
std::string SampleHivesHint();
// KELVARO_REQUIRE_SAMPLES=1 (set by CI) turns a missing sample folder into a failure.
bool SampleHivesRequired();

// Skips the running test, named, when the sample hives are missing, or fails
// it when they are required.
#define KELVARO_SKIP_WITHOUT_SAMPLES()                                                    \
  do {                                                                                    \
    if (::hivetest::SharedHivesFolder().empty()) {                                        \
      if (::hivetest::SampleHivesRequired())                                              \
        FAIL() << "sample hives not found (" << ::hivetest::SampleHivesHint()             \
               << "), and KELVARO_REQUIRE_SAMPLES=1 requires them";                       \
      GTEST_SKIP() << "sample hives not found (" << ::hivetest::SampleHivesHint() << ")"; \
    }                                                                                     \
  } while (false)

// Unpacks shared/hives/RELATIVE.xz into `folder` under the same relative
// path and returns the unpacked file; empty when xz is missing or fails.
std::filesystem::path Unpack(const std::filesystem::path& folder, const std::string& relative);

// The root of the source tree (README.md and the like).
std::filesystem::path SourceFolder();

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file);
void WriteAll(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed);
std::u16string U16(const std::string& ascii);
// "Key17" and the like, as UTF-16.
std::u16string Numbered(const char* prefix, std::size_t number);

// A tree with the awkward cases: non-ASCII names (Latin-1 and beyond),
// values of 0 to 100,000 bytes, a class name, more than 1,024 subkeys under
// one key, and `extraKeys` further keys spread over two levels.
BuildKey AwkwardTree(std::size_t extraKeys);

// How one run of the kelvaro-hive command line ended, and what it printed.
struct ToolRun {
  int exit;
  std::string out;
  std::string err;
};

// A row of a command-line table: the arguments, the exit code the run must end
// with, and text its output and its error output must each hold ("" for any).
struct CommandLineRow {
  std::vector<std::filesystem::path> arguments;
  int exit;
  const char* outPart;
  const char* errPart;
};

}  // namespace hivetest
