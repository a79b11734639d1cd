// Frame containers: one replay record each, with the Ethernet, IP, UDP and
// SOME/IP views the reassembly needs. Every accessor stays inside the frame
// bytes the record declares, whatever the bytes say.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "ptx_record.h"

namespace ptx {

constexpr size_t kMaxTaggedHeader = 22;  // Ethernet header with a QinQ pair

enum class ChannelType : uint8_t { Plain = 0, Ethernet = 3, Can = 6, SomeIp = 8 };

#pragma pack(push, 1)
struct EthernetHeader {
  uint8_t destination[6];
  uint8_t source[6];
  uint16_t etherType;  // host order
};
static_assert(sizeof(EthernetHeader) == 14);

struct SOMEIPHeader {
  uint16_t serviceId;
  bool isEvent;
  uint16_t methodId;
  uint32_t length;
  uint16_t clientId;
  uint16_t sessionId;
  uint8_t protocolVersion;
  uint8_t interfaceVersion;
  uint8_t messageType;
  uint8_t returnCode;
  uint32_t tpOffset;  // in units of 16 bytes
  uint8_t tpFlags;
};
#pragma pack(pop)
static_assert(sizeof(SOMEIPHeader) == 22);
static_assert(offsetof(SOMEIPHeader, isEvent) == 2);
static_assert(offsetof(SOMEIPHeader, methodId) == 3);
static_assert(offsetof(SOMEIPHeader, length) == 5);
static_assert(offsetof(SOMEIPHeader, clientId) == 9);
static_assert(offsetof(SOMEIPHeader, sessionId) == 11);
static_assert(offsetof(SOMEIPHeader, protocolVersion) == 13);
static_assert(offsetof(SOMEIPHeader, interfaceVersion) == 14);
static_assert(offsetof(SOMEIPHeader, messageType) == 15);
static_assert(offsetof(SOMEIPHeader, returnCode) == 16);
static_assert(offsetof(SOMEIPHeader, tpOffset) == 17);
static_assert(offsetof(SOMEIPHeader, tpFlags) == 21);

constexpr uint16_t kEtherTypeIpv4 = 0x0800;
constexpr uint16_t kEtherTypeIpv6 = 0x86DD;
constexpr uint16_t kEtherTypeVlan = 0x8100;
constexpr uint16_t kEtherTypeQinQ = 0x88A8;
constexpr uint8_t kProtocolTcp = 6;
constexpr uint8_t kProtocolUdp = 17;
constexpr uint8_t kProtocolAh = 0x33;
constexpr uint8_t kSomeIpTpFlag = 0x20;

struct SOMEIPMessage {
  SOMEIPHeader header{};
  std::vector<uint8_t> payload;
  uint64_t timestamp = 0;

  // Throws std::runtime_error("Container does not valid SOME/IP data").
  static std::vector<SOMEIPMessage> ReadSOMEIPMessages(const uint8_t* data, uint64_t n,
                                                       uint64_t timestamp);
};

class BaseContainer {
 public:
  // `record` must hold the 48-byte header and its raw data length of frame
  // bytes; the caller checks that against its buffer.
  static std::unique_ptr<BaseContainer> ReadDataFrom(const void* record, ChannelType type,
                                                     bool copy);
  static std::pair<uint32_t, uint32_t> GetMaximumSize(ChannelType type);

  BaseContainer(const BaseContainer& other);
  BaseContainer& operator=(const BaseContainer&) = delete;
  virtual ~BaseContainer() = default;

  virtual uint64_t GetPayloadLength() const;
  // Frame bytes only; returns the end of what was written.
  virtual uint8_t* CopyDataTo(uint8_t* out) const;
  // The record as it goes back to the caller; returns the record's end.
  virtual uint8_t* CopyReplayDataTo(uint8_t* out) const;
  virtual bool IsValid() const;
  virtual const uint8_t* GetPayload() const;

  const BaseBusApiHeader& Header() const { return m_header; }
  uint32_t GetNumOfWrittenBytes() const { return m_header.writtenBytes; }
  uint64_t GetTimestamp() const { return m_header.timestamp; }
  bool IsEndOfStream() const { return m_header.kind == kEndOfStreamKind; }
  void AddFlags(uint32_t flags) { m_header.flags |= flags; }
  // Bytes this record occupies in the output.
  uint64_t GetRecordLength() const {
    return IsEndOfStream() ? kEndOfStreamRecordSize : RecordLength(m_header);
  }
  const uint8_t* Frame() const { return m_frame; }
  uint32_t FrameLength() const { return m_header.rawDataLength; }

 protected:
  BaseContainer(const void* record, bool copy);
  explicit BaseContainer(const BaseBusApiHeader& header)
      : m_header(header), m_ownsData(true), m_data(kMaxTaggedHeader, 0), m_frame(m_data.data()) {}

  BaseBusApiHeader m_header{};
  bool m_ownsData = false;
  std::vector<uint8_t> m_data;
  const uint8_t* m_frame = nullptr;
};

class EthernetContainer : public BaseContainer {
 public:
  EthernetContainer(const void* record, bool copy);
  // An end-of-stream record: only its header is kept, its frame bytes are
  // never looked at.
  explicit EthernetContainer(const BaseBusApiHeader& endOfStream);
  EthernetContainer(const EthernetContainer& other);

  uint64_t GetPayloadLength() const override;
  uint8_t* CopyReplayDataTo(uint8_t* out) const override;
  const uint8_t* GetPayload() const override;

  const EthernetHeader& GetEthernetHeader() const { return m_eth; }
  uint16_t GetEtherType(bool inner) const { return inner ? m_innerEtherType : m_eth.etherType; }
  const uint8_t* GetEthernetPayload(bool afterTags) const;
  uint64_t GetEthernetPayloadLength(bool afterTags) const;

  uint8_t GetIhl() const;
  std::array<uint8_t, 4> GetSrcIpv4() const;
  std::array<uint8_t, 4> GetDstIpv4() const;
  std::array<uint8_t, 16> GetSrcIpv6() const;
  std::array<uint8_t, 16> GetDstIpv6() const;
  uint16_t GetIPIdentificationId() const;
  uint32_t GetIPOffset() const;
  bool IsIPFragmented() const;
  bool IsDF() const;
  bool IsMF() const;
  // The IPv4 total length minus the header when it fits the frame, else what
  // the frame carries: the span of the datagram this fragment covers.
  uint64_t GetIPv4FragmentLength() const;
  uint8_t GetProtocol(bool skipAH) const;
  uint8_t GetL4Protocol(bool skipAH) const;
  const uint8_t* GetIPPayloadStart(bool skipAH) const;
  uint64_t GetIPPayloadLength(bool skipAH) const;
  uint16_t GetUdpLength() const;
  const uint8_t* GetUdpPayload() const;
  uint16_t GetSrcPort() const;
  uint16_t GetDstPort() const;
  std::vector<SOMEIPMessage> GetSOMEIPMessages() const;

 private:
  void CheckPayloadStart();
  bool IsIpv4() const;
  bool IsIpv6() const;
  uint64_t IpHeaderLength() const;  // throws "Not a IP packet"
  uint64_t AhLength() const;        // 0 unless an authentication header follows
  uint64_t TransportOffset(uint8_t need, const char* error) const;

  EthernetHeader m_eth{};
  uint16_t m_innerEtherType = 0;
  uint64_t m_payloadOffset = kEthHeaderSize;  // from the frame start, after tags
  uint64_t m_payloadLength = 0;               // after tags, without FCS
};

class SOMEIPContainer : public BaseContainer {
 public:
  SOMEIPContainer(const void* record, bool copy);
  const SOMEIPHeader& GetSOMEIPHeader() const { return m_someip; }

 private:
  SOMEIPHeader m_someip{};
};

}  // namespace ptx
