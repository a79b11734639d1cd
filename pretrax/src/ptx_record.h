// Replay record header as the bus access library writes it, and byte-order
// helpers for reading frame fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ptx {

constexpr uint32_t kEndOfStreamKind = 0xF000;
constexpr uint32_t kFrameTypeNoFcs = 3;
constexpr uint32_t kFlagFollowingPiece = 4;
constexpr size_t kHeaderSize = 48;
constexpr size_t kEthHeaderSize = 14;
// An end-of-stream record goes out as its header plus eight zero bytes.
constexpr size_t kEndOfStreamRecordSize = 56;

// Little-endian on the wire; the library runs on x86-64 only.
struct BaseBusApiHeader {
  uint32_t reserved0;
  uint32_t writtenBytes;  // record length minus 8
  uint32_t kind;
  uint32_t size;
  uint64_t timestamp;
  uint64_t reserved1;
  uint32_t frameType;
  uint32_t rawDataLength;
  uint32_t flags;
  uint32_t reserved2;
};
static_assert(sizeof(BaseBusApiHeader) == kHeaderSize);
static_assert(offsetof(BaseBusApiHeader, writtenBytes) == 4);
static_assert(offsetof(BaseBusApiHeader, kind) == 8);
static_assert(offsetof(BaseBusApiHeader, size) == 12);
static_assert(offsetof(BaseBusApiHeader, timestamp) == 16);
static_assert(offsetof(BaseBusApiHeader, reserved1) == 24);
static_assert(offsetof(BaseBusApiHeader, frameType) == 32);
static_assert(offsetof(BaseBusApiHeader, rawDataLength) == 36);
static_assert(offsetof(BaseBusApiHeader, flags) == 40);
static_assert(offsetof(BaseBusApiHeader, reserved2) == 44);

inline uint64_t RecordLength(const BaseBusApiHeader& h) { return uint64_t(h.writtenBytes) + 8; }

inline uint16_t ReadBe16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t ReadBe32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline void WriteBe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

}  // namespace ptx
