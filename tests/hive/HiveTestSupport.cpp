#include "tests/hive/HiveTestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace hivetest {

CScratchFolder::CScratchFolder() {
  static std::atomic<unsigned> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  m_path = std::filesystem::temp_directory_path() /
           ("kelvaro-hive-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(m_path);
}

CScratchFolder::~CScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path SharedHivesFolder() {
  const char* chosen = std::getenv("KELVARO_SAMPLE_HIVES");
#ifdef _WIN32
  // The configured default holds packed samples, which cannot be unpacked here.
  if (!chosen || !*chosen) return {};
#endif
  std::filesystem::path folder = chosen && *chosen ? std::filesystem::path(chosen)
                                                   : std::filesystem::path(KELVARO_SAMPLE_HIVES);
  std::error_code code;
  if (!std::filesystem::is_directory(folder, code) ||
      !std::filesystem::exists(folder / "SOURCES.md", code))
    return {};
  return folder;
}

std::string SampleHivesHint() {
#ifdef _WIN32
  // No xz on Windows: these builds need a folder of unpacked samples.
  const char* unpacked = std::getenv("KELVARO_SAMPLE_HIVES");
  if (!unpacked || !*unpacked)
    return "the Windows builds need KELVARO_SAMPLE_HIVES set to a folder of unpacked samples "
           "(scripts/test.sh makes one)";
#endif
  const char* chosen = std::getenv("KELVARO_SAMPLE_HIVES");
  return chosen && *chosen ? std::string("KELVARO_SAMPLE_HIVES=") + chosen
                           : std::string("configured as ") + KELVARO_SAMPLE_HIVES +
                                 "; set KELVARO_SAMPLE_HIVES to the folder";
}

bool SampleHivesRequired() {
  const char* required = std::getenv("KELVARO_REQUIRE_SAMPLES");
  return required && std::string(required) == "1";
}

std::filesystem::path Unpack(const std::filesystem::path& folder, const std::string& relative) {
  std::filesystem::path shared = SharedHivesFolder();
  if (shared.empty()) return {};
  std::filesystem::path target = folder / relative;
  std::filesystem::create_directories(target.parent_path());
  // A folder of unpacked samples (what the Windows builds are given) is copied from.
  std::error_code code;
  if (std::filesystem::is_regular_file(shared / relative, code)) {
    std::filesystem::copy_file(shared / relative, target,
                               std::filesystem::copy_options::overwrite_existing, code);
    return code ? std::filesystem::path() : target;
  }
#ifdef _WIN32
  return {};
#endif
  std::string command =
      "xz -dc '" + (shared / (relative + ".xz")).string() + "' > '" + target.string() + "'";
  if (std::system(command.c_str()) != 0) return {};
  return target;
}

std::filesystem::path SourceFolder() { return KELVARO_SOURCE_DIR; }

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::uint8_t& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);
  }
  return bytes;
}

std::u16string U16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string Numbered(const char* prefix, std::size_t number) {
  // Appended piecewise: GCC 12 at -O3 warns falsely (-Wrestrict) on "x" + string.
  std::string text(prefix);
  text.append(std::to_string(number));
  return U16(text);
}

BuildKey AwkwardTree(std::size_t extraKeys) {
  BuildKey root{U16("ROOT"), {}, {}, {}};
  BuildKey sizes{U16("Sizes"), {}, {}, {}};
  for (std::size_t size :
       {0u, 1u, 3u, 4u, 5u, 100u, 16343u, 16344u, 16345u, 32688u, 40000u, 100000u})
    sizes.values.push_back(
        BuildValue{Numbered("v", size), 3, Pattern(size, static_cast<std::uint32_t>(size))});
  sizes.values.push_back(BuildValue{U16(""), 1, {'d', 0, 'e', 0, 'f', 0, 0, 0}});
  root.subkeys.push_back(sizes);

  BuildKey names{U16("Names"), {}, {}, U16("ClassText")};
  names.subkeys.push_back(
      BuildKey{u"Gr\u00FC\u00DFe", {BuildValue{u"caf\u00E9", 4, {1, 2, 3, 4}}}, {}, {}});
  names.subkeys.push_back(BuildKey{u"\u041A\u043B\u044E\u0447",
                                   {BuildValue{u"\u0437\u043D\u0430\u0447", 1, {0x30, 0x04, 0, 0}}},
                                   {},
                                   {}});
  names.subkeys.push_back(BuildKey{u"weird\u2122", {}, {}, {}});
  names.subkeys.push_back(BuildKey{u"\u00E4bc", {}, {}, {}});
  names.subkeys.push_back(BuildKey{U16("Abd"), {}, {}, {}});
  root.subkeys.push_back(names);

  BuildKey wide{U16("Wide"), {}, {}, {}};
  for (int i = 0; i < 1100; ++i) wide.subkeys.push_back(BuildKey{Numbered("Sub", i), {}, {}, {}});
  root.subkeys.push_back(wide);

  BuildKey many{U16("Many"), {}, {}, {}};
  for (std::size_t i = 0; i < extraKeys; ++i) {
    std::size_t group = i / 100;
    if (many.subkeys.size() <= group)
      many.subkeys.push_back(BuildKey{Numbered("Group", group), {}, {}, {}});
    many.subkeys[group].subkeys.push_back(
        BuildKey{Numbered("Key", i),
                 {BuildValue{U16("Number"), 4, Pattern(4, static_cast<std::uint32_t>(i))},
                  BuildValue{U16("Text"), 1, Pattern(2 * (i % 40), static_cast<std::uint32_t>(i))}},
                 {},
                 {}});
  }
  root.subkeys.push_back(many);
  return root;
}

}  // namespace hivetest
