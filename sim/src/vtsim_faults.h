// Failures forced on entry points by the test controls. Not locked: the
// simulator calls it under its own mutex.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace vtsim {

class FaultInjector {
 public:
  template <typename Names>
  explicit FaultInjector(const Names& entryPoints) : m_known(std::begin(entryPoints), std::end(entryPoints)) {}

  // times 0: fail until cleared. False for an unknown entry point.
  bool Force(const std::string& entryPoint, int32_t status, uint32_t times);
  void Clear() { m_forced.clear(); }
  // The status to fail with, consuming one failure.
  std::optional<int32_t> Take(const char* entryPoint);

 private:
  struct Forced {
    int32_t status;
    uint32_t remaining;  // 0 = until cleared
  };
  std::set<std::string> m_known;
  std::map<std::string, Forced, std::less<>> m_forced;
};

}  // namespace vtsim
