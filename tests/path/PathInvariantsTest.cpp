// Properties every path must keep: over a list of valid texts, and over many
// generated texts, most of them bad.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "path/PathName.h"
#include "tests/path/PathTestSupport.h"
#include "tests/support/FakeMachine.h"

namespace {

using pathtest::ComponentsOf;
using pathtest::FlagsOf;
using pathtest::TextOf;

struct Snapshot {
  std::wstring text;
  std::string flags;
  std::vector<std::wstring> components;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Snap(const CPathName& path) { return {TextOf(path), FlagsOf(path), ComponentsOf(path)}; }

std::string Describe(const std::wstring& text) {
  std::string out;
  for (wchar_t ch : text.substr(0, 120)) {
    if (ch >= 0x20 && ch < 0x7F) {
      out.push_back(static_cast<char>(ch));
    } else {
      out += "\\u" + std::to_string(static_cast<unsigned>(ch));
    }
  }
  return text.size() > 120 ? out + "... (" + std::to_string(text.size()) + " characters)" : out;
}

// What every parsed path must satisfy; returns the first broken property.
std::string BrokenProperty(const CPathName& path) {
  std::wstring text = TextOf(path);
  const bool driveRoot = path.HasDrive() && path.IsRooted() && path.GetComponentCount() == 1;
  if (!text.empty() && text.back() == L'\\' && !driveRoot) return "text ends in a backslash";
  if (driveRoot && text.back() != L'\\') return "drive root without its backslash";
  std::size_t doubled = text.find(L"\\\\", path.IsUnc() ? 2 : 0);
  if (doubled != std::wstring::npos) return "doubled backslash inside the text";
  for (std::uint32_t i = 0; i < path.GetComponentCount(); ++i) {
    const CPathComponent component = path.GetComponent(i);
    const CPathString& name = component.GetText();
    if (name.IsEmpty()) return "empty component";
    bool server = path.IsUnc() && i == 0;
    if (server ? !IsValidServerName(name.GetBuffer()) : !IsValidName(name.GetBuffer())) {
      return "component breaks its rule";
    }
  }
  // The text reads back as the same path.
  CPathName reread;
  if (!reread.SetPath(text.c_str())) return "its own text does not parse";
  if (ComponentsOf(reread) != ComponentsOf(path)) return "its own text parses differently";
  return {};
}

// Appends that must either succeed or throw leaving everything as it was.
std::string BrokenCombine(const CPathName& path) {
  const wchar_t* names[] = {L"x", L"..", L".", L"D:", L"hive.dat", L"a*?"};
  for (const wchar_t* name : names) {
    const Snapshot before = Snap(path);
    CPathComponent component(name);
    try {
      CPathName combined = Combine(path, component);
      std::string broken = combined.IsEmpty() ? std::string() : BrokenProperty(combined);
      if (!broken.empty()) return "combined path broken by " + Describe(name) + ": " + broken;
    } catch (const CPathException& error) {
      if (error.m_cause != CPathException::badCombine) return "Combine threw another cause";
    }
    if (!(Snap(path) == before)) return "Combine changed its argument with " + Describe(name);
    CPathName appended(path);
    try {
      appended.Append(component);
    } catch (const CPathException&) {
      if (!(Snap(appended) == before))
        return "a throwing Append changed the path with " + Describe(name);
    }
  }
  return {};
}

class PathInvariants : public ::testing::Test {
 protected:
  test_support::FakeMachine fake;
};

TEST_F(PathInvariants, ValidTextsReadBackUnchanged) {
  struct Row {
    std::wstring text;
    std::wstring readBack;  // empty: the text itself
  };
  const Row rows[] = {
      {L"C:\\", L""},
      {L"C:", L""},
      {L"C:\\Windows", L""},
      {L"C:\\Windows\\", L"C:\\Windows"},
      {L"C:\\Windows\\System32\\config\\SOFTWARE", L""},
      {L"c:\\documents and settings\\user\\ntuser.dat", L""},
      {L"D:\\", L""},
      {L"C:\\D:", L""},
      {L"\\\\server\\share", L""},
      {L"\\\\server\\share\\", L"\\\\server\\share"},
      {L"\\\\server\\share\\dir\\file.txt", L""},
      {L"\\\\server", L""},
      {L"\\\\\\server\\share", L"\\\\server\\share"},
      {L"\\Temp", L""},
      {L"\\Temp\\x\\", L"\\Temp\\x"},
      {L"a", L""},
      {L"a\\b", L""},
      {L"a\\.\\..\\b", L""},
      {L".", L""},
      {L"..", L""},
      {L"C:\\logs\\*.log", L""},
      {L"C:\\Kelvaro Backup\\SAM", L""},
      {L"C:\\\u00C9t\u00E9\\\u4E2D\u6587", L""},
      {L"C:\\" + std::wstring(260, L'n'), L""},
      {L"\\\\" + std::wstring(64, L's') + L"\\share", L""},
      {L"", L""},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    CPathName path;
    CPathException error;
    ASSERT_TRUE(path.SetPath(row.text.c_str(), &error))
        << "row " << i << ": " << Describe(row.text);
    const std::wstring expected = row.readBack.empty() ? row.text : row.readBack;
    EXPECT_EQ(TextOf(path), expected) << "row " << i << ": " << Describe(row.text);
    if (!row.text.empty()) {
      EXPECT_EQ(BrokenProperty(path), "") << "row " << i << ": " << Describe(row.text);
    }
    EXPECT_EQ(BrokenCombine(path), "") << "row " << i << ": " << Describe(row.text);
  }
}

// Independent statement of the parser's decision, over whole texts.
bool ShouldParse(const std::wstring& text) {
  if (text.empty()) return true;
  const bool unc = text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\';
  const std::size_t first = text.find_first_not_of(L'\\');
  if (first == std::wstring::npos) return false;
  std::wstring rest = text.substr(first);
  if (rest.back() == L'\\') rest.pop_back();
  std::vector<std::wstring> names;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = rest.find(L'\\', start);
    names.push_back(
        rest.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::wstring& name = names[i];
    if (name.empty()) return false;
    if (unc && i == 0) {
      if (name.size() > 64 || name.find_first_of(kInvalidServerChars) != std::wstring::npos)
        return false;
      continue;
    }
    if (name.size() > 260 || name.find_first_of(kInvalidNameChars) != std::wstring::npos)
      return false;
    if (name.find(L':') != std::wstring::npos &&
        !(name.size() == 2 && name[1] == L':' && name[0] != L':')) {
      return false;
    }
  }
  return true;
}

class TextGenerator {
 public:
  explicit TextGenerator(std::uint32_t seed) : m_random(seed) {}

  std::wstring Next() {
    std::wstring text;
    switch (Pick(6)) {
      case 0: text = L"\\\\"; break;
      case 1: text = std::wstring{static_cast<wchar_t>(L'A' + Pick(26)), L':', L'\\'}; break;
      case 2: text = L"\\"; break;
      case 3: text = L"C:"; break;
      default: break;
    }
    const int pieces = Pick(8);
    for (int i = 0; i < pieces; ++i) {
      switch (Pick(10)) {
        case 0: text += std::wstring(1 + Pick(3), L'\\'); break;
        case 1: text += L':'; break;
        case 2: text += std::wstring(Long(), L"abc"[Pick(3)]); break;
        case 3: text += Special(); break;
        default: text += Name() + L"\\"; break;
      }
    }
    if (Pick(3) == 0 && !text.empty() && text.back() == L'\\') text.pop_back();
    return text;
  }

 private:
  int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }
  std::size_t Long() {
    const std::size_t lengths[] = {63, 64, 65, 259, 260, 261};
    return lengths[Pick(6)];
  }
  wchar_t Special() {
    const wchar_t specials[] = L"\\/:*?\"<>|[];=,+. \u00E9\u4E2D\x01";
    return specials[Pick(static_cast<int>(std::size(specials)) - 1)];
  }
  std::wstring Name() {
    std::wstring name;
    const int length = Pick(6);
    for (int i = 0; i < length; ++i) {
      name += Pick(4) == 0 ? Special() : static_cast<wchar_t>(L'a' + Pick(26));
    }
    if (Pick(8) == 0) name = Pick(2) == 0 ? L".." : L".";
    return name;
  }
  std::mt19937 m_random;
};

TEST_F(PathInvariants, GeneratedTextsParseOrFailCleanly) {
  constexpr int kTexts = 50000;
  TextGenerator generator(20240611u);
  int parsed = 0;
  int failures = 0;
  for (int i = 0; i < kTexts && failures < 10; ++i) {
    const std::wstring text = generator.Next();
    CPathName path;
    ASSERT_TRUE(path.SetPath(L"C:\\previous\\path"));
    CPathException error(-1);
    bool ok = false;
    try {
      ok = path.SetPath(text.c_str(), &error);
    } catch (...) {
      ADD_FAILURE() << "text " << i << " let an exception escape: " << Describe(text);
      ++failures;
      continue;
    }
    std::string broken;
    if (ok != ShouldParse(text)) broken = ok ? "accepted a bad text" : "refused a good text";
    if (ok) {
      ++parsed;
      if (error.m_cause != -1) broken = "success wrote the error record";
      if (broken.empty() && !text.empty()) broken = BrokenProperty(path);
      if (broken.empty()) broken = BrokenCombine(path);
    } else {
      if (!path.IsEmpty() || !FlagsOf(path).empty()) broken = "failure left a path behind";
      if (error.m_cause != CPathException::invalidName) broken = "failure recorded another cause";
    }
    if (!broken.empty()) {
      ADD_FAILURE() << "text " << i << ": " << broken << ": " << Describe(text);
      ++failures;
    }
  }
  std::cout << "[          ] " << kTexts << " generated texts, " << parsed << " parsed, "
            << kTexts - parsed << " refused\n";
  RecordProperty("generated", kTexts);
  RecordProperty("parsed", parsed);
  // The generator must exercise both outcomes, or the test proves little.
  EXPECT_GT(parsed, kTexts / 10);
  EXPECT_LT(parsed, kTexts * 9 / 10);
}

}  // namespace
