#include "platform/fake/FaultPlan.h"

namespace platform::fake {

void FaultPlan::Fail(const std::string& operation, Status error, int times, int skip) {
  m_rules[operation].push_back(Rule{error, times, skip});
}

void FaultPlan::Clear() {
  m_rules.clear();
  m_calls.clear();
  m_seen.clear();
}

std::optional<Status> FaultPlan::Check(const char* operation) {
  std::string name(operation);
  if (beforeCall && !m_inHook) {
    m_inHook = true;
    try {
      beforeCall(name);
    } catch (...) {
      m_inHook = false;
      throw;
    }
    m_inHook = false;
  }
  if (m_calls[name]++ == 0) m_seen.push_back(name);
  auto found = m_rules.find(name);
  if (found == m_rules.end()) return std::nullopt;
  for (Rule& rule : found->second) {
    if (rule.remaining == 0) continue;
    if (rule.skip > 0) {
      --rule.skip;
      continue;
    }
    if (rule.remaining != kAlways) --rule.remaining;
    return rule.error;
  }
  return std::nullopt;
}

int FaultPlan::CallCount(const std::string& operation) const {
  auto found = m_calls.find(operation);
  return found == m_calls.end() ? 0 : found->second;
}

}  // namespace platform::fake
