// Builders for replay records and the frames inside them, shared by the
// tests, the benchmark and the fuzz target.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace ptxtest {

using Bytes = std::vector<uint8_t>;
using Ip4 = std::array<uint8_t, 4>;

inline void Be16(Bytes& b, uint16_t v) {
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}
inline void Be32(Bytes& b, uint32_t v) {
  Be16(b, uint16_t(v >> 16));
  Be16(b, uint16_t(v));
}
inline void Le32At(Bytes& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
inline void Le64At(Bytes& b, size_t at, uint64_t v) { std::memcpy(b.data() + at, &v, 8); }
inline uint32_t Le32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline uint64_t Le64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Bytes whose value tells their position, so that a reordering shows.
inline Bytes Pattern(size_t n, uint32_t seed = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t((i * 7 + seed * 13 + (i >> 8)) & 0xFF);
  return b;
}

enum class Tag { None, Vlan, QinQ };

inline Bytes Ethernet(uint16_t etherType, const Bytes& payload, Tag tag = Tag::None) {
  Bytes f = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00, 0x02};
  if (tag == Tag::Vlan) {
    Be16(f, 0x8100);
    Be16(f, 0x0064);
  } else if (tag == Tag::QinQ) {
    Be16(f, 0x88A8);
    Be16(f, 0x0064);
    Be16(f, 0x8100);
    Be16(f, 0x00C8);
  }
  Be16(f, etherType);
  f.insert(f.end(), payload.begin(), payload.end());
  return f;
}

struct Ipv4Opts {
  uint16_t id = 1;
  uint32_t offsetBytes = 0;
  bool mf = false;
  bool df = false;
  uint8_t protocol = 17;
  Ip4 src{10, 0, 0, 1};
  Ip4 dst{10, 0, 0, 2};
  uint8_t ihl = 5;
};

inline Bytes Ipv4(const Ipv4Opts& o, const Bytes& payload) {
  Bytes b;
  b.push_back(uint8_t(0x40 | o.ihl));
  b.push_back(0);
  Be16(b, uint16_t(o.ihl * 4 + payload.size()));
  Be16(b, o.id);
  Be16(b, uint16_t((o.df ? 0x4000 : 0) | (o.mf ? 0x2000 : 0) | ((o.offsetBytes / 8) & 0x1FFF)));
  b.push_back(64);
  b.push_back(o.protocol);
  Be16(b, 0);
  b.insert(b.end(), o.src.begin(), o.src.end());
  b.insert(b.end(), o.dst.begin(), o.dst.end());
  b.resize(size_t(o.ihl) * 4, 0);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

inline Bytes Udp(uint16_t srcPort, uint16_t dstPort, const Bytes& payload) {
  Bytes b;
  Be16(b, srcPort);
  Be16(b, dstPort);
  Be16(b, uint16_t(8 + payload.size()));
  Be16(b, 0);
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

struct SomeIpOpts {
  uint16_t service = 0x1234;
  uint16_t method = 0x8001;
  uint16_t client = 0x0001;
  uint16_t session = 1;
  uint8_t protocolVersion = 1;
  uint8_t interfaceVersion = 1;
  uint8_t messageType = 0x02;  // notification
  bool tp = false;
  uint32_t tpOffsetBytes = 0;  // multiple of 16
  bool more = false;
};

inline Bytes SomeIp(const SomeIpOpts& o, const Bytes& payload) {
  Bytes b;
  Be16(b, o.service);
  Be16(b, o.method);
  Be32(b, uint32_t(8 + (o.tp ? 4 : 0) + payload.size()));
  Be16(b, o.client);
  Be16(b, o.session);
  b.push_back(o.protocolVersion);
  b.push_back(o.interfaceVersion);
  b.push_back(uint8_t(o.tp ? (o.messageType | 0x20) : o.messageType));
  b.push_back(0);
  if (o.tp) Be32(b, (o.tpOffsetBytes / 16) << 4 | (o.more ? 1 : 0));
  b.insert(b.end(), payload.begin(), payload.end());
  return b;
}

struct RecordOpts {
  uint64_t timestamp = 0;
  uint32_t frameType = 3;
  uint32_t padding = 0;
  uint32_t kind = 0;
  uint32_t flags = 0;
  uint32_t reserved0 = 0;
};

inline Bytes Record(const Bytes& frame, const RecordOpts& o) {
  Bytes r(48 + frame.size() + o.padding, 0);
  Le32At(r, 0, o.reserved0);
  Le32At(r, 4, uint32_t(r.size() - 8));
  Le32At(r, 8, o.kind);
  Le32At(r, 12, uint32_t(frame.size()));
  Le64At(r, 16, o.timestamp);
  Le32At(r, 32, o.frameType);
  Le32At(r, 36, uint32_t(frame.size()));
  Le32At(r, 40, o.flags);
  if (!frame.empty()) std::memcpy(r.data() + 48, frame.data(), frame.size());
  return r;
}

inline Bytes Record(const Bytes& frame, uint64_t timestamp) {
  RecordOpts o;
  o.timestamp = timestamp;
  return Record(frame, o);
}

inline Bytes EndOfStream(uint64_t timestamp = 0) {
  RecordOpts o;
  o.kind = 0xF000;
  o.timestamp = timestamp;
  return Record(Bytes(8, 0), o);
}

// A record as read back.
struct OutRecord {
  uint32_t reserved0, kind, flags, rawLength;
  uint64_t timestamp;
  Bytes bytes;  // the whole record
  Bytes Frame() const { return Bytes(bytes.begin() + 48, bytes.begin() + 48 + rawLength); }
};

// Splits what a read wrote; false when the bytes are not a sequence of
// well-formed records.
inline bool SplitRecords(const uint8_t* p, uint64_t n, std::vector<OutRecord>& out) {
  uint64_t at = 0;
  while (at < n) {
    if (n - at < 48) return false;
    const uint64_t length = uint64_t(Le32(p + at + 4)) + 8;
    OutRecord r;
    r.reserved0 = Le32(p + at);
    r.kind = Le32(p + at + 8);
    r.timestamp = Le64(p + at + 16);
    r.rawLength = Le32(p + at + 36);
    r.flags = Le32(p + at + 40);
    const uint64_t need = r.kind == 0xF000 ? 56 : 48 + uint64_t(r.rawLength);
    if (length < need || length > n - at) return false;
    if (r.kind == 0xF000 && length != 56) return false;
    r.bytes.assign(p + at, p + at + length);
    out.push_back(std::move(r));
    at += length;
  }
  return true;
}

}  // namespace ptxtest
