#include "hive/FindingLog.h"

#include <cstdio>

namespace hive {

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Note: return "note";
    case Severity::Warning: return "warning";
    case Severity::Error: return "error";
  }
  return "error";
}

void CFindingLog::Add(Severity severity, std::uint64_t offset, const std::string& code,
                      std::string message) {
  ++m_bySeverity[static_cast<int>(severity)];
  std::size_t& count = m_counts[code];
  ++count;
  if (count > m_nPerCode) {
    ++m_nDropped;
    return;
  }
  m_findings.push_back(Finding{severity, offset, code, std::move(message)});
}

void CFindingLog::Report(std::uint64_t offset, FindingCode code, std::string message) {
  const FindingCodeInfo& info = Describe(code);
  Add(info.level, offset, std::string(info.name), std::move(message));
}

const Finding* CFindingLog::First(const std::string& code) const {
  for (const Finding& finding : m_findings)
    if (finding.code == code) return &finding;
  return nullptr;
}

std::string Hex(std::uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace hive
