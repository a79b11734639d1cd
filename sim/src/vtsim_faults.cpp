#include "vtsim_faults.h"

namespace vtsim {

bool FaultInjector::Force(const std::string& entryPoint, int32_t status, uint32_t times) {
  if (m_known.count(entryPoint) == 0) return false;
  m_forced[entryPoint] = Forced{status, times};
  return true;
}

std::optional<int32_t> FaultInjector::Take(const char* entryPoint) {
  if (m_forced.empty()) return std::nullopt;
  auto it = m_forced.find(std::string_view(entryPoint));
  if (it == m_forced.end()) return std::nullopt;
  const int32_t status = it->second.status;
  if (it->second.remaining != 0 && --it->second.remaining == 0) m_forced.erase(it);
  return status;
}

}  // namespace vtsim
