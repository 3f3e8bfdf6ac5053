#include "hive/ContentDiff.h"

#include "hive/Hive.h"
#include "hive/HiveWalk.h"
#include "hive/Names.h"

#include <cstdio>
#include <map>
#include <memory>

namespace hive {

namespace {

struct ValueContent {
  std::u16string name;
  std::uint32_t type = 0;
  std::uint16_t flags = 0;
  std::uint16_t spare = 0;
  std::vector<std::uint8_t> data;
};

struct KeyContent {
  std::u16string name;
  std::string shownPath;
  std::uint16_t flags = 0;
  std::uint16_t flagsAboveLargestName = 0;
  std::uint32_t accessBits = 0;
  std::uint64_t lastWritten = 0;
  std::vector<std::uint8_t> className;
  std::vector<std::uint8_t> security;
  std::map<std::u16string, ValueContent> values;  // by upcased name
};

std::u16string Folded(const std::u16string& text) {
  std::u16string folded(text);
  for (char16_t& unit : folded) unit = UpcaseUnit(unit);
  return folded;
}

// Keys by upcased path below the root; the root itself is the empty path,
// so that two hives whose root keys are named differently still line up.
using ContentMap = std::map<std::u16string, KeyContent>;

class CContentReader : public IHiveVisitor {
 public:
  CContentReader(const CHive& hive, ContentMap& keys) : m_hive(hive), m_keys(keys) {}

  void OnKey(const std::vector<std::u16string>& path, const KeyNode& key) override {
    std::u16string folded;
    std::string shown = path.empty() ? std::string() : ToUtf8(path.front());
    for (std::size_t i = 1; i < path.size(); ++i) {
      folded.push_back(u'\\');
      folded.append(Folded(path[i]));
      shown.push_back('\\');
      shown.append(ToUtf8(path[i]));
    }
    KeyContent& content = m_keys[folded];
    content.name = path.size() <= 1 ? std::u16string() : path.back();
    content.shownPath = std::move(shown);
    content.flags = key.flags & kKeyContentFlags;
    // The entry mark says which key is the root, which the base block already
    // says; a compaction sets it on a root that lacked it.
    if (path.size() == 1) content.flags &= static_cast<std::uint16_t>(~kKeyHiveEntry);
    content.flagsAboveLargestName = key.flagsAboveLargestName & kKeyContentFlagsAboveLargestName;
    content.accessBits = key.spare;
    content.lastWritten = key.lastWritten;
    if (key.classLength != 0 && key.classOffset != kNoCell) {
      if (std::optional<Bytes> cell = m_hive.AllocatedCell(key.classOffset))
        content.className.assign(
            cell->begin(), cell->begin() + std::min<std::size_t>(cell->size(), key.classLength));
    }
    if (std::optional<Bytes> cell = m_hive.AllocatedCell(key.security)) {
      SecurityKey record;
      if (ParseSecurityKey(*cell, record))
        content.security.assign(cell->begin() + sk::kDescriptor,
                                cell->begin() + sk::kDescriptor + record.descriptorSize);
    }
    m_current = &content;
  }

  void OnValue(const std::u16string& name, const ValueKey& record, Bytes data) override {
    if (!m_current) return;
    ValueContent& value = m_current->values[Folded(name)];
    value.name = name;
    value.type = record.type;
    value.flags = record.flags & kValueContentFlags;
    value.spare = record.spare;
    value.data.assign(data.begin(), data.end());
  }

 private:
  const CHive& m_hive;
  ContentMap& m_keys;
  KeyContent* m_current = nullptr;
};

bool ReadContent(std::vector<std::uint8_t> bytes, const std::vector<LogInput>& logs,
                 ContentMap& keys, BaseBlock& base, std::string& error) {
  CFindingLog findings(0);
  if (!logs.empty()) ReplayLogs(bytes, logs, findings);
  std::unique_ptr<CHive> hive = CHive::Open(std::move(bytes), findings, error);
  if (!hive) return false;
  base = hive->Base();
  CContentReader reader(*hive, keys);
  CHiveWalk walk(*hive, findings, &reader);
  HiveStatistics statistics;
  walk.Run(statistics);
  if (keys.empty()) {
    error = "its root key cannot be read";
    return false;
  }
  return true;
}

std::string Quoted(const std::u16string& name) {
  std::string text(1, '\'');
  text.append(ToUtf8(name));
  text.push_back('\'');
  return text;
}

std::string Time(std::uint64_t fileTime) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(fileTime));
  return text;
}

class CDifferenceList {
 public:
  CDifferenceList(ContentDiffResult& result, std::size_t limit)
      : m_result(result), m_limit(limit) {}

  void Add(const std::string& path, DifferenceKind kind, std::string what,
           const std::u16string& value = {}) {
    ++m_result.total;
    if (m_limit == 0 || m_result.differences.size() < m_limit)
      m_result.differences.push_back(ContentDifference{path, std::move(what), kind, ToUtf8(value)});
  }

 private:
  ContentDiffResult& m_result;
  std::size_t m_limit;
};

void CompareValues(const KeyContent& a, const KeyContent& b, CDifferenceList& list) {
  for (const auto& [folded, value] : a.values) {
    auto other = b.values.find(folded);
    if (other == b.values.end()) {
      list.Add(a.shownPath, DifferenceKind::kValueOnlyFirst,
               "value " + Quoted(value.name) + " only in the first hive", value.name);
      continue;
    }
    if (value.name != other->second.name)
      list.Add(a.shownPath, DifferenceKind::kValueFields,
               "value " + Quoted(value.name) + " is named " + Quoted(other->second.name) +
                   " in the second hive",
               value.name);
    if (value.type != other->second.type)
      list.Add(a.shownPath, DifferenceKind::kValueFields,
               "value " + Quoted(value.name) + " type differs (" + std::to_string(value.type) +
                   " and " + std::to_string(other->second.type) + ")",
               value.name);
    if (value.flags != other->second.flags)
      list.Add(a.shownPath, DifferenceKind::kValueFields,
               "value " + Quoted(value.name) + " flags differ (" + Hex(value.flags) + " and " +
                   Hex(other->second.flags) + ")",
               value.name);
    if (value.spare != other->second.spare)
      list.Add(a.shownPath, DifferenceKind::kValueFields,
               "value " + Quoted(value.name) + " spare field differs", value.name);
    if (value.data != other->second.data)
      list.Add(a.shownPath, DifferenceKind::kValueFields,
               "value " + Quoted(value.name) + " data differs (" +
                   std::to_string(value.data.size()) + " and " +
                   std::to_string(other->second.data.size()) + " bytes)",
               value.name);
  }
  for (const auto& [folded, value] : b.values)
    if (!a.values.count(folded))
      list.Add(a.shownPath, DifferenceKind::kValueOnlySecond,
               "value " + Quoted(value.name) + " only in the second hive", value.name);
}

void CompareKeys(const KeyContent& a, const KeyContent& b, CDifferenceList& list) {
  if (a.name != b.name)
    list.Add(a.shownPath, DifferenceKind::kKeyFields,
             "key is named " + Quoted(b.name) + " in the second hive");
  if (a.flags != b.flags || a.flagsAboveLargestName != b.flagsAboveLargestName)
    list.Add(a.shownPath, DifferenceKind::kKeyFields,
             "key flags differ (" + Hex(a.flags) + "/" + Hex(a.flagsAboveLargestName) + " and " +
                 Hex(b.flags) + "/" + Hex(b.flagsAboveLargestName) + ")");
  if (a.accessBits != b.accessBits)
    list.Add(a.shownPath, DifferenceKind::kKeyFields,
             "access and layered-key bits differ (" + Hex(a.accessBits) + " and " +
                 Hex(b.accessBits) + ")");
  if (a.lastWritten != b.lastWritten)
    list.Add(
        a.shownPath, DifferenceKind::kLastWritten,
        "last-written time differs (" + Time(a.lastWritten) + " and " + Time(b.lastWritten) + ")");
  if (a.className != b.className)
    list.Add(a.shownPath, DifferenceKind::kClassName, "class name differs");
  if (a.security != b.security)
    list.Add(a.shownPath, DifferenceKind::kSecurity, "security descriptor differs");
  CompareValues(a, b, list);
}

// The base block fields a rewrite keeps.
void CompareBaseBlocks(const BaseBlock& a, const BaseBlock& b, CDifferenceList& list) {
  const std::string where = "base block";
  if (a.lastReorganized != b.lastReorganized)
    list.Add(where, DifferenceKind::kBaseBlock,
             "last reorganized time differs (" + Time(a.lastReorganized) + " and " +
                 Time(b.lastReorganized) + ")");
  if (a.offlineLibrary != b.offlineLibrary || a.offlineFlags != b.offlineFlags ||
      a.offlineSaved != b.offlineSaved)
    list.Add(where, DifferenceKind::kBaseBlock, "offline library mark differs");
  if (a.rmId != b.rmId || a.logId != b.logId || a.tmId != b.tmId ||
      a.guidSignature != b.guidSignature)
    list.Add(where, DifferenceKind::kBaseBlock, "transaction manager ids differ");
  if (a.thawTmId != b.thawTmId || a.thawRmId != b.thawRmId || a.thawLogId != b.thawLogId)
    list.Add(where, DifferenceKind::kBaseBlock, "thaw transaction ids differ");
  if ((a.flags & ~(kBaseFlagTransactionLock | kBaseFlagDefragmenting)) !=
      (b.flags & ~(kBaseFlagTransactionLock | kBaseFlagDefragmenting)))
    list.Add(where, DifferenceKind::kBaseBlock,
             "flags differ (" + Hex(a.flags) + " and " + Hex(b.flags) + ")");
}

std::u16string ParentPath(const std::u16string& path) {
  std::size_t cut = path.rfind(u'\\');
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

// Keys present on one side only; a missing subtree is reported once, at its top.
void ReportOneSided(const ContentMap& from, const ContentMap& other, const char* side,
                    DifferenceKind kind, CDifferenceList& list) {
  for (auto it = from.begin(); it != from.end(); ++it) {
    if (other.count(it->first) || !other.count(ParentPath(it->first))) continue;
    std::size_t below = 0;
    std::u16string prefix = it->first + u'\\';
    for (auto next = std::next(it);
         next != from.end() && next->first.compare(0, prefix.size(), prefix) == 0; ++next)
      ++below;
    list.Add(it->second.shownPath, kind,
             std::string("key only in the ") + side + " hive" +
                 (below ? " (with " + std::to_string(below) + " keys below it)" : std::string()));
  }
}

}  // namespace

ContentDiffResult DiffHiveContent(const std::vector<std::uint8_t>& a,
                                  const std::vector<LogInput>& logsA,
                                  const std::vector<std::uint8_t>& b,
                                  const std::vector<LogInput>& logsB, std::size_t limit) {
  ContentDiffResult result;
  ContentMap keysA, keysB;
  BaseBlock baseA, baseB;
  std::string error;
  if (!ReadContent(a, logsA, keysA, baseA, error)) {
    result.error = "first hive: " + error;
    return result;
  }
  if (!ReadContent(b, logsB, keysB, baseB, error)) {
    result.error = "second hive: " + error;
    return result;
  }
  result.readable = true;
  CDifferenceList list(result, limit);
  CompareBaseBlocks(baseA, baseB, list);
  for (const auto& [path, key] : keysA) {
    auto other = keysB.find(path);
    if (other != keysB.end()) CompareKeys(key, other->second, list);
  }
  ReportOneSided(keysA, keysB, "first", DifferenceKind::kKeyOnlyFirst, list);
  ReportOneSided(keysB, keysA, "second", DifferenceKind::kKeyOnlySecond, list);
  return result;
}

ContentDiffResult DiffHiveContent(const std::vector<std::uint8_t>& a,
                                  const std::vector<std::uint8_t>& b, std::size_t limit) {
  return DiffHiveContent(a, {}, b, {}, limit);
}

}  // namespace hive
