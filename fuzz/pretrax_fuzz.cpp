// Drives one pre-processing instance with records built from the fuzz input
// (well-formed, damaged, or plain bytes) through insert / get / flush /
// statistics and checks what must hold whatever the bytes are: reads are
// well-formed records, each taken record comes out once and unchanged but
// for flag 4, the instance never holds more than its maximum depth, and an
// end of stream brings out everything that was taken.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "../tests/pretrax/ptx_frames.h"
#include "pretrax.h"
#include "ptx_containers.h"

using namespace ptxtest;

namespace {

#define CHECK(c)                                                          \
  do {                                                                    \
    if (!(c)) {                                                           \
      std::fprintf(stderr, "invariant failed: %s (line %d)\n", #c, __LINE__); \
      std::abort();                                                       \
    }                                                                     \
  } while (0)

Bytes GenFrame(FuzzedDataProvider& f) {
  const Tag tag = f.ConsumeIntegralInRange(0, 7) == 0 ? (f.ConsumeBool() ? Tag::Vlan : Tag::QinQ)
                                                       : Tag::None;
  Bytes frame;
  switch (f.ConsumeIntegralInRange(0, 4)) {
    case 0:
      frame = f.ConsumeBytes<uint8_t>(f.ConsumeIntegralInRange(0, 80));
      break;
    case 1: {
      Ipv4Opts o;
      o.id = f.ConsumeIntegralInRange<uint16_t>(0, 3);
      o.dst[3] = f.ConsumeIntegralInRange<uint8_t>(0, 1);
      o.offsetBytes = 8 * f.ConsumeIntegralInRange<uint32_t>(0, 12);
      if (f.ConsumeIntegralInRange(0, 15) == 0) o.offsetBytes = 0x1FFF * 8;
      o.mf = f.ConsumeBool();
      o.df = f.ConsumeIntegralInRange(0, 7) == 0;
      Bytes payload = Pattern(8 * f.ConsumeIntegralInRange<size_t>(0, 6) +
                                  f.ConsumeIntegralInRange<size_t>(0, 3),
                              f.ConsumeIntegral<uint8_t>());
      if (f.ConsumeIntegralInRange(0, 7) == 0) {
        o.protocol = 0x33;
        Bytes ah = {17, f.ConsumeIntegralInRange<uint8_t>(0, 3), 0, 0};
        ah.resize(12, 0);
        payload.insert(payload.begin(), ah.begin(), ah.end());
      }
      if (f.ConsumeIntegralInRange(0, 7) == 0) o.ihl = f.ConsumeIntegralInRange<uint8_t>(0, 15);
      frame = Ethernet(0x0800, Ipv4(o, payload), tag);
      break;
    }
    case 2:
    case 3: {
      SomeIpOpts s;
      s.service = f.ConsumeIntegralInRange<uint16_t>(0, 1);
      s.client = f.ConsumeIntegralInRange<uint16_t>(0, 1);
      s.session = f.ConsumeIntegralInRange<uint16_t>(0, 2);
      s.tp = f.ConsumeIntegralInRange(0, 3) != 0;
      s.tpOffsetBytes = 16 * f.ConsumeIntegralInRange<uint32_t>(0, 6);
      s.more = f.ConsumeBool();
      if (f.ConsumeIntegralInRange(0, 15) == 0) s.protocolVersion = 2;
      Bytes payload = Pattern(16 * f.ConsumeIntegralInRange<size_t>(0, 3) +
                                  (f.ConsumeIntegralInRange(0, 3) == 0 ? f.ConsumeIntegralInRange<size_t>(0, 15) : 0),
                              f.ConsumeIntegral<uint8_t>());
      Bytes udp = f.ConsumeIntegralInRange(0, 7) == 0
                      ? f.ConsumeBytes<uint8_t>(f.ConsumeIntegralInRange(0, 24))
                      : Udp(30490, 30490, SomeIp(s, payload));
      Ipv4Opts o;
      o.protocol = f.ConsumeIntegralInRange(0, 7) == 0 ? 6 : 17;
      o.dst[3] = f.ConsumeIntegralInRange<uint8_t>(0, 1);
      o.mf = f.ConsumeIntegralInRange(0, 7) == 0;
      frame = Ethernet(0x0800, Ipv4(o, udp), tag);
      break;
    }
    default:
      frame = Ethernet(0x0806, f.ConsumeBytes<uint8_t>(f.ConsumeIntegralInRange(0, 40)), tag);
      break;
  }
  if (f.ConsumeIntegralInRange(0, 7) == 0)
    frame.resize(f.ConsumeIntegralInRange<size_t>(0, frame.size()));
  return frame;
}

Bytes GenRecord(FuzzedDataProvider& f) {
  if (f.ConsumeIntegralInRange(0, 15) == 0) return EndOfStream(f.ConsumeIntegralInRange(0, 20));
  RecordOpts o;
  o.timestamp = f.ConsumeIntegralInRange(0, 20);
  o.frameType = f.ConsumeIntegralInRange(0, 3) == 0 ? 0 : 3;
  o.padding = f.ConsumeIntegralInRange(0, 7);
  o.flags = f.ConsumeIntegralInRange(0, 15);
  Bytes r = Record(GenFrame(f), o);
  switch (f.ConsumeIntegralInRange(0, 15)) {
    case 0: Le32At(r, 4, f.ConsumeIntegralInRange<uint32_t>(0, 200)); break;
    case 1: Le32At(r, 36, f.ConsumeIntegralInRange<uint32_t>(0, 200)); break;
    case 2: r.resize(f.ConsumeIntegralInRange<size_t>(0, r.size())); break;
    default: break;
  }
  return r;
}

struct Span {
  uint64_t at, length;
  bool eos, dropped;
};

class Harness {
 public:
  Harness(PTXHandle h, uint64_t minFill, uint64_t maxDepth, PTXProtocolType protocol)
      : m_h(h), m_minFill(minFill), m_maxDepth(maxDepth), m_protocol(protocol), m_out(1 << 16) {}

  PTXStatistics RawStats() {
    PTXStatistics s;
    CHECK(PTX_GetStatistics(m_h, &s) == PRETRAX_NO_ERROR);
    return s;
  }

  // Statistics checked against what the harness knows is inside.
  PTXStatistics Stats() {
    const PTXStatistics s = RawStats();
    CHECK(s.numOfFramesInOutputQueue <= m_maxDepth);
    CHECK(m_outstanding.size() <= m_maxDepth);
    CHECK(s.numOfFramesInOutputQueue <= m_outstanding.size() + (m_eosPending && !m_eosRead ? 1 : 0));
    const uint64_t q = s.numOfFramesInOutputQueue;
    CHECK(s.numOfFramesReadyToRead == (m_eosPending ? q : (q > m_minFill ? q - m_minFill : 0)));
    if (q == 0) CHECK(s.numOfBytesInOutputQueue == 0);
    return s;
  }

  PTXErrorCode Insert(Bytes buffer) {
    // Tag each record with a serial in its first reserved word. That never
    // moves a record boundary, but it may rewrite other fields of a record
    // shorter than its header, so the kinds are read afterwards.
    std::vector<Span> spans;
    for (uint64_t at = 0; buffer.size() - at >= 48;) {
      Le32At(buffer, at, m_serial++);
      const uint64_t length = uint64_t(Le32(buffer.data() + at + 4)) + 8;
      spans.push_back({at, length, false, false});
      at += length;
      if (at > buffer.size()) break;
    }
    for (Span& s : spans) {
      s.eos = Le32(buffer.data() + s.at + 8) == 0xF000;
      if (s.eos) continue;
      const uint64_t frameEnd = 48 + uint64_t(Le32(buffer.data() + s.at + 36));
      s.dropped = s.length < frameEnd || std::max(s.length, frameEnd) > buffer.size() - s.at;
      if (!s.dropped && m_protocol == PRETRAX_SOMEIP) {
        ptx::EthernetContainer c(buffer.data() + s.at, true);
        try {
          s.dropped = c.GetSOMEIPMessages().empty();
        } catch (const std::runtime_error&) {
        }
      }
    }

    const PTXStatistics before = Stats();
    bool eos = true;
    uint64_t inserted = 99;
    const PTXErrorCode st = PTX_InsertFrames(m_h, buffer.data(), buffer.size(), &eos, &inserted);
    const PTXStatistics after = RawStats();
    CHECK(st == PRETRAX_NO_ERROR || st == PRETRAX_BUFFER_FULL || st == PRETRAX_INCOMPLETE_FRAME ||
          (st == PRETRAX_NULL_POINTER_ERROR && buffer.empty()));
    CHECK(inserted <= buffer.size());
    if (buffer.empty()) return st;
    const bool early = st == PRETRAX_BUFFER_FULL && after.numOfTotalFrames == before.numOfTotalFrames;
    if (early) {
      CHECK(inserted == 0);
      CHECK(before.numOfFramesInOutputQueue == after.numOfFramesInOutputQueue ||
            !m_outstanding.empty());
      return st;
    }
    if (m_eosPending) {  // the previous stream is discarded first
      m_outstanding.clear();
      m_eosPending = m_eosRead = false;
    }
    uint64_t sum = 0;
    bool sawDropped = false;
    for (const Span& s : spans) {
      if (s.dropped) {
        if (!(st == PRETRAX_BUFFER_FULL && sum == inserted)) sawDropped = true;
        continue;
      }
      if (st == PRETRAX_BUFFER_FULL && sum == inserted) break;
      const uint64_t length = s.eos ? std::min<uint64_t>(s.length, buffer.size() - s.at) : s.length;
      sum += length;
      if (s.eos) {
        m_eosPending = true;
        break;
      }
      m_outstanding[Le32(buffer.data() + s.at)] =
          Bytes(buffer.begin() + s.at, buffer.begin() + s.at + s.length);
    }
    CHECK(sum == inserted);
    CHECK(eos == m_eosPending);
    if (st != PRETRAX_BUFFER_FULL) CHECK(sawDropped == (st == PRETRAX_INCOMPLETE_FRAME));
    Stats();
    return st;
  }

  // Returns whether the end-of-stream record was read.
  bool Get(uint64_t capacity, bool single) {
    const PTXStatistics before = Stats();
    std::fill(m_out.begin(), m_out.end(), 0xA5);
    capacity = std::min<uint64_t>(capacity, m_out.size());
    uint64_t written = 77;
    const PTXErrorCode st = PTX_GetFrames(m_h, m_out.data(), capacity, single, &written);
    const PTXStatistics after = RawStats();
    if (before.numOfFramesInOutputQueue < m_minFill && !m_eosPending) {
      CHECK(st == PRETRAX_NOT_REACHED_MIN_FILL_LEVEL);
      return false;
    }
    CHECK(st == PRETRAX_NO_ERROR);
    CHECK(written <= capacity);
    CHECK(after.numOfBytesInOutputQueue + written == before.numOfBytesInOutputQueue);
    std::vector<OutRecord> records;
    CHECK(SplitRecords(m_out.data(), written, records));
    CHECK(after.numOfFramesInOutputQueue + records.size() == before.numOfFramesInOutputQueue);
    if (!m_eosPending) {
      CHECK(records.size() <= before.numOfFramesReadyToRead);
      if (single) CHECK(records.size() <= 1);
    }
    bool endRead = false;
    for (const OutRecord& r : records) {
      CHECK(!endRead);
      if (r.kind == 0xF000) {
        CHECK(m_eosPending && !m_eosRead);
        m_eosRead = true;
        CHECK(m_outstanding.empty());
        for (size_t i = 48; i < 56; ++i) CHECK(r.bytes[i] == 0);
        endRead = true;
        continue;
      }
      auto it = m_outstanding.find(r.reserved0);
      CHECK(it != m_outstanding.end());
      const Bytes& in = it->second;
      CHECK(in.size() == r.bytes.size());
      CHECK(std::equal(in.begin(), in.begin() + 40, r.bytes.begin()));
      const uint32_t inFlags = Le32(in.data() + 40);
      CHECK(r.flags == inFlags || r.flags == (inFlags | 4));
      CHECK(std::equal(in.begin() + 44, in.begin() + 48 + r.rawLength, r.bytes.begin() + 44));
      for (size_t i = 48 + r.rawLength; i < r.bytes.size(); ++i)
        CHECK(r.bytes[i] == (r.rawLength <= 14 ? 0 : 0xA5));
      m_outstanding.erase(it);
    }
    if (endRead) CHECK(after.numOfFramesInOutputQueue == 0);
    Stats();
    return endRead;
  }

  void Flush() {
    CHECK(PTX_FlushBuffers(m_h) == PRETRAX_NO_ERROR);
    m_outstanding.clear();
    m_eosPending = m_eosRead = false;
    const PTXStatistics s = Stats();
    CHECK(s.numOfFramesInOutputQueue == 0 && s.numOfBytesInOutputQueue == 0 &&
          s.numOfProcessedFrames == 0 && s.numOfProcessedBytes == 0);
  }

  void Finish() {
    if (!m_eosPending) {
      int attempts = 0;
      while (Insert(EndOfStream()) == PRETRAX_BUFFER_FULL) {
        CHECK(++attempts < 10000);
        Get(m_out.size(), false);
      }
    }
    CHECK(m_eosPending);
    int reads = 0;
    while (!m_eosRead) {
      Get(m_out.size(), reads % 2 == 1);
      CHECK(++reads < 10000);
    }
    CHECK(m_outstanding.empty());
  }

 private:
  PTXHandle m_h;
  uint64_t m_minFill, m_maxDepth;
  PTXProtocolType m_protocol;
  Bytes m_out;
  std::map<uint32_t, Bytes> m_outstanding;  // taken, not yet read
  bool m_eosPending = false;                // an end-of-stream record was taken
  bool m_eosRead = false;                   // ... and has been read back
  uint32_t m_serial = 1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider f(data, size);
  const auto protocol = PTXProtocolType(f.ConsumeIntegralInRange(1, 4));
  const uint64_t minFill = f.ConsumeIntegralInRange<uint64_t>(1, 6);
  const uint64_t maxDepth = minFill + f.ConsumeIntegralInRange<uint64_t>(1, 40);
  PTXHandle h = nullptr;
  CHECK(PTX_CreateHandle(&h, minFill, maxDepth, protocol) == PRETRAX_NO_ERROR && h);
  {
    Harness harness(h, minFill, maxDepth, protocol);
    while (f.remaining_bytes() > 0) {
      switch (f.ConsumeIntegralInRange(0, 11)) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4: {
          Bytes buffer;
          for (int n = f.ConsumeIntegralInRange(1, 4); n > 0; --n) {
            Bytes r = GenRecord(f);
            buffer.insert(buffer.end(), r.begin(), r.end());
          }
          harness.Insert(std::move(buffer));
          break;
        }
        case 5:
          harness.Insert(f.ConsumeBytes<uint8_t>(f.ConsumeIntegralInRange(0, 400)));
          break;
        case 6:
        case 7:
        case 8:
          harness.Get(f.ConsumeIntegralInRange<uint64_t>(1, 3000), f.ConsumeIntegralInRange(0, 3) == 0);
          break;
        case 9:
          harness.Flush();
          break;
        default:
          harness.Stats();
          break;
      }
    }
    harness.Finish();
  }
  CHECK(PTX_DestroyHandle(&h) == PRETRAX_NO_ERROR && h == nullptr);
  return 0;
}
