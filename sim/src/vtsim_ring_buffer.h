// Fixed-capacity FIFO, allocated once, for the receive queues.
#pragma once

#include <cstddef>
#include <vector>

namespace vtsim {

template <typename T>
class RingBuffer {
 public:
  void Reset(std::size_t capacity) {
    m_slots.assign(capacity, T{});
    m_head = 0;
    m_size = 0;
  }
  std::size_t Capacity() const { return m_slots.size(); }
  std::size_t Size() const { return m_size; }
  bool Empty() const { return m_size == 0; }
  bool Full() const { return m_size == m_slots.size(); }

  // False when full (the caller counts the overflow).
  bool Push(const T& value) {
    if (Full()) return false;
    m_slots[(m_head + m_size) % m_slots.size()] = value;
    ++m_size;
    return true;
  }
  T& Front() { return m_slots[m_head]; }
  void Pop() {
    m_head = (m_head + 1) % m_slots.size();
    --m_size;
  }
  void Clear() {
    m_head = 0;
    m_size = 0;
  }

 private:
  std::vector<T> m_slots;
  std::size_t m_head = 0;
  std::size_t m_size = 0;
};

}  // namespace vtsim
