#include "path/PathString.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/FakeMachine.h"

namespace {

std::wstring TextOf(const CPathString& text) {
  return text.GetBuffer() != nullptr ? std::wstring(text.GetBuffer()) : std::wstring(L"<null>");
}

CPathString Made(const wchar_t* text) {
  CPathString made;
  made.Assign(text);
  return made;
}

TEST(PathString, NewStringHasNoBuffer) {
  CPathString text;
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_EQ(text.GetBuffer(), nullptr);
  EXPECT_EQ(text.GetLength(), 0u);
  EXPECT_EQ(text.GetCapacity(), 0);
}

TEST(PathString, ReserveFollowsTheCapacityTable) {
  struct Row {
    int need;
    int capacity;
  };
  const Row rows[] = {{1, 16},    {15, 16},   {16, 32},   {31, 32},    {32, 64},
                      {63, 64},   {64, 128},  {127, 128}, {128, 256},  {255, 256},
                      {256, 512}, {511, 512}, {512, 513}, {1000, 1001}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathString text;
    text.Reserve(rows[i].need);
    EXPECT_EQ(text.GetCapacity(), rows[i].capacity) << "row " << i << ": need " << rows[i].need;
    EXPECT_NE(text.GetBuffer(), nullptr) << "row " << i;
    EXPECT_EQ(text.GetLength(), 0u) << "row " << i;
  }
}

TEST(PathString, ReserveWithinCapacityKeepsTheContents) {
  CPathString text = Made(L"abc");
  const wchar_t* buffer = text.GetBuffer();
  text.Reserve(16);
  EXPECT_EQ(text.GetBuffer(), buffer);
  EXPECT_EQ(TextOf(text), L"abc");
  text.Reserve(17);  // growing discards
  EXPECT_EQ(text.GetCapacity(), 32);
  EXPECT_EQ(text.GetLength(), 0u);
}

TEST(PathString, AssignChoosesCapacityFromTheLength) {
  struct Row {
    std::size_t length;
    int capacity;
  };
  const Row rows[] = {{1, 16},  {14, 16},   {15, 32},   {30, 32},
                      {31, 64}, {510, 512}, {511, 513}, {600, 602}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    std::wstring source(rows[i].length, L'x');
    CPathString text = Made(source.c_str());
    EXPECT_EQ(text.GetCapacity(), rows[i].capacity)
        << "row " << i << ": " << rows[i].length << " characters";
    EXPECT_EQ(text.GetLength(), rows[i].length) << "row " << i;
    EXPECT_EQ(TextOf(text), source) << "row " << i;
  }
}

TEST(PathString, EmptyAssignmentsReleaseTheBuffer) {
  const char* labels[] = {"empty text", "null pointer", "character 0", "empty string"};
  for (int i = 0; i < 4; ++i) {
    CPathString text = Made(L"C:\\Windows");
    switch (i) {
      case 0: text.Assign(L""); break;
      case 1: text.Assign(static_cast<const wchar_t*>(nullptr)); break;
      case 2: text.Assign(L'\0'); break;
      default: text.Assign(CPathString()); break;
    }
    EXPECT_EQ(text.GetBuffer(), nullptr) << labels[i];
    EXPECT_EQ(text.GetCapacity(), 0) << labels[i];
    EXPECT_TRUE(text.IsEmpty()) << labels[i];
  }
}

TEST(PathString, AssignOneCharacter) {
  CPathString text;
  text.Assign(L'x');
  EXPECT_EQ(TextOf(text), L"x");
  EXPECT_EQ(text.GetCapacity(), 16);
}

TEST(PathString, AssignFromItsOwnBuffer) {
  CPathString text = Made(L"C:\\Windows");
  text.Assign(text.GetBuffer() + 3);
  EXPECT_EQ(TextOf(text), L"Windows");
  text.Assign(text);
  EXPECT_EQ(TextOf(text), L"Windows");
}

TEST(PathString, AppendingRows) {
  struct Row {
    const wchar_t* start;
    const wchar_t* added;
    const wchar_t* result;
    int capacity;
    bool sameBuffer;
  };
  const Row rows[] = {
      {L"a", L"b", L"ab", 16, true},
      {L"0123456789", L"abcdefghijklmnopqrst", L"0123456789abcdefghijklmnopqrst", 32, false},
      {L"0123456789abcd", L"e", L"0123456789abcde", 16, true},    // exactly fills the buffer
      {L"0123456789abcde", L"f", L"0123456789abcdef", 32, true},  // already had 32
      {L"", L"abc", L"abc", 16, false},
      {L"abc", L"", L"abc", 16, true},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathString text = Made(rows[i].start);
    const wchar_t* before = text.GetBuffer();
    text.Append(rows[i].added);
    EXPECT_EQ(TextOf(text), rows[i].result) << "row " << i << ": " << rows[i].start;
    EXPECT_EQ(text.GetCapacity(), rows[i].capacity) << "row " << i;
    // A grown buffer may land where the freed one was, so only a kept buffer is checked.
    if (rows[i].sameBuffer) {
      EXPECT_EQ(text.GetBuffer(), before) << "row " << i;
    }
  }
}

TEST(PathString, AppendNullOrCharacterZeroChangesNothing) {
  CPathString text = Made(L"abc");
  text.Append(static_cast<const wchar_t*>(nullptr));
  text.Append(L'\0');
  EXPECT_EQ(TextOf(text), L"abc");
  CPathString empty;
  empty.Append(L'\0');
  EXPECT_EQ(empty.GetBuffer(), nullptr);
}

TEST(PathString, AppendingItsOwnTextWhileGrowing) {
  CPathString text = Made(L"0123456789");
  text.Append(text.GetBuffer());  // 21 characters needed: moves to a 32-character buffer
  EXPECT_EQ(TextOf(text), L"01234567890123456789");
  text.Append(text.GetBuffer() + 15);
  EXPECT_EQ(TextOf(text), L"0123456789012345678956789");
}

TEST(PathString, TrimRightRows) {
  struct Row {
    const wchar_t* text;
    wchar_t ch;
    const wchar_t* result;
  };
  const Row rows[] = {
      {L"C:\\", L'\\', L"C:"}, {L"\\\\\\", L'\\', L""},     {L"C:\\Temp", L'\\', L"C:\\Temp"},
      {L"a\\\\", L'\\', L"a"}, {L"a\\b\\", L'\\', L"a\\b"}, {L"abc", L'\0', L"abc"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathString text = Made(rows[i].text);
    const wchar_t* buffer = text.GetBuffer();
    text.TrimRight(rows[i].ch);
    EXPECT_EQ(TextOf(text), rows[i].result) << "row " << i << ": " << rows[i].text;
    EXPECT_EQ(text.GetBuffer(), buffer) << "row " << i << ": the buffer stays";
  }
  CPathString empty;
  empty.TrimRight(L'\\');
  EXPECT_EQ(empty.GetBuffer(), nullptr);
}

TEST(PathString, MidRows) {
  struct Row {
    int start;
    int count;
    const wchar_t* result;
  };
  const Row rows[] = {{2, -1, L"cdef"},  {2, 10, L"cdef"}, {6, -1, L""}, {7, 1, L""},   {1, 0, L""},
                      {0, 6, L"abcdef"}, {0, 1, L"a"},     {5, 1, L"f"}, {1, 3, L"bcd"}};
  CPathString source = Made(L"abcdef");
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathString part = source.Mid(rows[i].start, rows[i].count);
    std::wstring expected = rows[i].result;
    if (expected.empty()) {
      EXPECT_EQ(part.GetBuffer(), nullptr) << "row " << i;
    } else {
      EXPECT_EQ(TextOf(part), expected) << "row " << i << ": start " << rows[i].start;
    }
  }
  EXPECT_EQ(TextOf(source), L"abcdef");
}

TEST(PathString, CopiesOwnTheirCharacters) {
  CPathString original = Made(L"C:\\Temp");
  CPathString copy(original);
  CPathString assigned;
  assigned = original;
  original.Assign(L"x");
  EXPECT_EQ(TextOf(copy), L"C:\\Temp");
  EXPECT_EQ(TextOf(assigned), L"C:\\Temp");
  EXPECT_NE(copy.GetBuffer(), assigned.GetBuffer());
}

TEST(PathString, CompareNoCaseRows) {
  test_support::FakeMachine fake;
  struct Row {
    const wchar_t* first;
    const wchar_t* second;
    int sign;
  };
  const Row rows[] = {{L"C:\\Windows", L"c:\\WINDOWS", 0},
                      {L"..", L"..", 0},
                      {L".", L"..", -1},
                      {L"b", L"A", 1},
                      {L"", L"", 0},
                      {L"", L"a", -1},
                      {L"Temp", L"temp2", -1}};
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    CPathString first = Made(rows[i].first);
    CPathString second = Made(rows[i].second);
    auto sign = [](int value) { return (value > 0) - (value < 0); };
    EXPECT_EQ(sign(first.CompareNoCase(second)), rows[i].sign)
        << "row " << i << ": " << rows[i].first;
    EXPECT_EQ(sign(first.CompareNoCase(rows[i].second)), rows[i].sign) << "row " << i;
  }
  EXPECT_GT(fake.faults.CallCount("lstrcmpiW"), 0) << "comparisons go through the platform";
}

}  // namespace
