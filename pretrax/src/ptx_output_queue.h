// Records ready for reading, ordered by timestamp; records with equal
// timestamps leave in the order they came. The end-of-stream record always
// goes last, whatever its timestamp.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "ptx_containers.h"

namespace ptx {

using ContainerPtr = std::unique_ptr<EthernetContainer>;
using TimedContainers = std::multimap<uint64_t, ContainerPtr>;

class OutputQueue {
 public:
  uint64_t size() const { return m_frames.size() + (m_end ? 1 : 0); }
  bool empty() const { return size() == 0; }
  void Insert(uint64_t timestamp, ContainerPtr c) { m_frames.emplace(timestamp, std::move(c)); }
  void PushEnd(ContainerPtr c) { m_end = std::move(c); }
  const EthernetContainer& Front() const { return m_frames.empty() ? *m_end : *m_frames.begin()->second; }
  void PopFront() {
    if (m_frames.empty())
      m_end.reset();
    else
      m_frames.erase(m_frames.begin());
  }
  void Clear() {
    m_frames.clear();
    m_end.reset();
  }

 private:
  TimedContainers m_frames;
  ContainerPtr m_end;
};

}  // namespace ptx
