// A pre-processing instance for tests, with helpers to feed records and read
// them back split into records.
#pragma once

#include <gtest/gtest.h>

#include "pretrax.h"
#include "ptx_frames.h"

namespace ptxtest {

class Instance {
 public:
  Instance(PTXProtocolType protocol, uint64_t minFill = 1, uint64_t maxDepth = 1000) {
    EXPECT_EQ(PTX_CreateHandle(&h, minFill, maxDepth, protocol), PRETRAX_NO_ERROR);
  }
  ~Instance() {
    if (h) PTX_DestroyHandle(&h);
  }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  PTXErrorCode Insert(const Bytes& buffer, uint64_t* inserted = nullptr, bool* eos = nullptr) {
    bool e = false;
    uint64_t n = 0;
    Bytes copy = buffer;
    const PTXErrorCode st = PTX_InsertFrames(h, copy.data(), copy.size(), &e, &n);
    if (inserted) *inserted = n;
    if (eos) *eos = e;
    return st;
  }
  // Inserts each record on its own and expects it to be taken whole.
  void InsertAll(const std::vector<Bytes>& records) {
    for (const Bytes& r : records) {
      uint64_t n = 0;
      ASSERT_EQ(Insert(r, &n), PRETRAX_NO_ERROR);
      ASSERT_EQ(n, r.size());
    }
  }
  std::vector<OutRecord> Read(uint64_t capacity = 1 << 20, bool single = false,
                              PTXErrorCode expect = PRETRAX_NO_ERROR) {
    Bytes out(capacity, 0xA5);
    uint64_t written = 0;
    EXPECT_EQ(PTX_GetFrames(h, out.data(), capacity, single, &written), expect);
    std::vector<OutRecord> records;
    EXPECT_TRUE(SplitRecords(out.data(), written, records));
    return records;
  }
  // Ends the stream and reads everything, end-of-stream record included.
  std::vector<OutRecord> Drain() {
    EXPECT_EQ(Insert(EndOfStream()), PRETRAX_NO_ERROR);
    return Read();
  }
  PTXStatistics Stats() {
    PTXStatistics s{};
    EXPECT_EQ(PTX_GetStatistics(h, &s), PRETRAX_NO_ERROR);
    return s;
  }

  PTXHandle h = nullptr;
};

inline Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

}  // namespace ptxtest
