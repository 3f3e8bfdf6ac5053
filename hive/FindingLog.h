#pragma once
// Collects findings. A corrupt file can produce one finding per cell, so the
// log keeps at most `perCode` of each code (counting the rest) and so keeps
// its memory bounded by a constant, not by the file.

#include "hive/Finding.h"
#include "hive/FindingCodes.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace hive {

class CFindingLog {
 public:
  explicit CFindingLog(std::size_t perCode = 100) : m_nPerCode(perCode) {}

  void Add(Severity severity, std::uint64_t offset, const std::string& code, std::string message);
  // At the level the table of finding codes gives `code`.
  void Report(std::uint64_t offset, FindingCode code, std::string message);

  const std::vector<Finding>& Kept() const { return m_findings; }
  // Every finding of each code, kept or not.
  const std::map<std::string, std::size_t>& CountsByCode() const { return m_counts; }
  std::size_t Count(Severity severity) const { return m_bySeverity[static_cast<int>(severity)]; }
  std::size_t Dropped() const { return m_nDropped; }
  bool Has(const std::string& code) const { return m_counts.count(code) != 0; }
  bool Has(FindingCode code) const { return Has(std::string(Describe(code).name)); }
  // The first kept finding with `code`, or null.
  const Finding* First(const std::string& code) const;

 private:
  std::size_t m_nPerCode;
  std::vector<Finding> m_findings;
  std::map<std::string, std::size_t> m_counts;
  std::size_t m_bySeverity[3] = {0, 0, 0};
  std::size_t m_nDropped = 0;
};

// "0x1a2b0": how every offset is shown.
std::string Hex(std::uint64_t value);

}  // namespace hive
