#include "ptx_containers.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace ptx {

namespace {
const char* const kNotIpv4 = "Container does not contain a valid IPv4 frame";
const char* const kNotIpv6 = "Container does not contain a valid IPv6 frame";
const char* const kNotIp = "Container does not contain a valid IP frame";
const char* const kNotIpPacket = "Not a IP packet";
const char* const kNotUdp = "Container does not contain a UDP frame";
const char* const kNotUdpTcp = "Container does not contain a UDP or TCP frame";
const char* const kBadSomeIp = "Container does not valid SOME/IP data";

constexpr uint64_t kIpv4MinHeader = 20;
constexpr uint64_t kIpv6Header = 40;
constexpr uint64_t kSomeIpWireHeader = 16;
}  // namespace

// ---------------------------------------------------------------------------
std::vector<SOMEIPMessage> SOMEIPMessage::ReadSOMEIPMessages(const uint8_t* data, uint64_t n,
                                                             uint64_t timestamp) {
  std::vector<SOMEIPMessage> messages;
  if (n < kSomeIpWireHeader) return messages;
  uint64_t p = 0;
  for (;;) {
    const uint8_t* w = data + p;
    SOMEIPMessage m;
    m.timestamp = timestamp;
    SOMEIPHeader& h = m.header;
    h.serviceId = ReadBe16(w);
    h.methodId = ReadBe16(w + 2);
    h.isEvent = (h.methodId & 0x8000) != 0;
    h.length = ReadBe32(w + 4);
    h.clientId = ReadBe16(w + 8);
    h.sessionId = ReadBe16(w + 10);
    h.protocolVersion = w[12];
    h.interfaceVersion = w[13];
    h.messageType = w[14];
    h.returnCode = w[15];
    const uint64_t end = p + 8 + uint64_t(h.length);
    const bool tp = (h.messageType & kSomeIpTpFlag) != 0;
    // The length covers the eight bytes after it, plus the TP word for segments.
    const uint64_t minLength = tp ? 12 : 8;
    if (h.protocolVersion != 1 || (h.interfaceVersion != 1 && h.interfaceVersion != 2) ||
        end > n || h.length < minLength)
      throw std::runtime_error(kBadSomeIp);
    if (tp) {
      const uint32_t word = ReadBe32(w + 16);
      h.tpOffset = word >> 4;
      h.tpFlags = uint8_t(word & 0x0F);
      m.payload.assign(w + 20, w + 20 + (h.length - 12));
    } else {
      h.tpOffset = 0;
      h.tpFlags = 0;
      m.payload.assign(w + 16, w + 16 + (h.length - 8));
    }
    messages.push_back(std::move(m));
    p = end;
    if (n - p < kSomeIpWireHeader) return messages;
  }
}

// ---------------------------------------------------------------------------
BaseContainer::BaseContainer(const void* record, bool copy) {
  const auto* bytes = static_cast<const uint8_t*>(record);
  std::memcpy(&m_header, bytes, kHeaderSize);
  m_frame = bytes + kHeaderSize;
  if (copy) {
    m_ownsData = true;
    m_data.assign(m_frame, m_frame + m_header.rawDataLength);
    // Room for the longest tagged header, so that payload pointers of a
    // short frame still point into the copy.
    if (m_data.size() < kMaxTaggedHeader) m_data.resize(kMaxTaggedHeader, 0);
    m_frame = m_data.data();
  }
}

BaseContainer::BaseContainer(const BaseContainer& other)
    : m_header(other.m_header),
      m_ownsData(other.m_ownsData),
      m_data(other.m_data),
      m_frame(other.m_ownsData ? m_data.data() : other.m_frame) {}

std::unique_ptr<BaseContainer> BaseContainer::ReadDataFrom(const void* record, ChannelType type,
                                                           bool copy) {
  switch (type) {
    case ChannelType::Plain:
      return std::unique_ptr<BaseContainer>(new BaseContainer(record, copy));
    case ChannelType::Ethernet:
      return std::make_unique<EthernetContainer>(record, copy);
    case ChannelType::SomeIp:
      return std::make_unique<SOMEIPContainer>(record, copy);
    default:
      return nullptr;
  }
}

std::pair<uint32_t, uint32_t> BaseContainer::GetMaximumSize(ChannelType type) {
  switch (type) {
    case ChannelType::Ethernet: return {9100, 0};
    case ChannelType::SomeIp: return {69, 1};
    default: return {0, 0};
  }
}

uint64_t BaseContainer::GetPayloadLength() const { return m_header.rawDataLength; }
const uint8_t* BaseContainer::GetPayload() const { return m_frame; }
bool BaseContainer::IsValid() const { return true; }

uint8_t* BaseContainer::CopyDataTo(uint8_t* out) const {
  if (m_header.rawDataLength) std::memcpy(out, m_frame, m_header.rawDataLength);
  return out + m_header.rawDataLength;
}

uint8_t* BaseContainer::CopyReplayDataTo(uint8_t* out) const {
  BaseBusApiHeader h = m_header;
  if (IsEndOfStream()) {
    h.writtenBytes = kEndOfStreamRecordSize - 8;
    std::memcpy(out, &h, kHeaderSize);
    std::memset(out + kHeaderSize, 0, kEndOfStreamRecordSize - kHeaderSize);
    return out + kEndOfStreamRecordSize;
  }
  std::memcpy(out, &h, kHeaderSize);
  uint8_t* end = CopyDataTo(out + kHeaderSize);
  const uint64_t length = RecordLength(h);
  // The padding of a record with a usable frame is skipped, as the caller's
  // buffer had it; a record too short for a frame is written whole.
  if (h.rawDataLength <= kEthHeaderSize)
    std::memset(end, 0, length - kHeaderSize - h.rawDataLength);
  return out + length;
}

// ---------------------------------------------------------------------------
EthernetContainer::EthernetContainer(const void* record, bool copy) : BaseContainer(record, copy) {
  if (!IsEndOfStream()) {
    uint8_t raw[kEthHeaderSize] = {};
    const uint64_t n = std::min<uint64_t>(kEthHeaderSize, m_header.rawDataLength);
    if (n) std::memcpy(raw, m_frame, n);
    std::memcpy(m_eth.destination, raw, 6);
    std::memcpy(m_eth.source, raw + 6, 6);
    m_eth.etherType = ReadBe16(raw + 12);
  }
  CheckPayloadStart();
}

EthernetContainer::EthernetContainer(const BaseBusApiHeader& endOfStream)
    : BaseContainer(endOfStream) {
  CheckPayloadStart();
}

EthernetContainer::EthernetContainer(const EthernetContainer& other)
    : BaseContainer(other), m_eth(other.m_eth) {
  CheckPayloadStart();
}

void EthernetContainer::CheckPayloadStart() {
  const uint64_t L = m_header.rawDataLength;
  m_innerEtherType = m_eth.etherType;
  m_payloadOffset = kEthHeaderSize;
  int64_t length = 0;
  if (L != 0) {
    length = int64_t(L) - 14;
    if (m_header.frameType != kFrameTypeNoFcs && length != 0) length = int64_t(L) - 18;
  }
  if (m_eth.etherType == kEtherTypeVlan) {
    m_innerEtherType = L >= 18 ? ReadBe16(m_frame + 16) : 0;
    m_payloadOffset = 18;
    length -= 4;
  } else if (m_eth.etherType == kEtherTypeQinQ) {
    m_innerEtherType = L >= 22 ? ReadBe16(m_frame + 20) : 0;
    m_payloadOffset = 22;
    length -= 8;
  }
  if (length < 0) length = 0;
  const uint64_t room = L > m_payloadOffset ? L - m_payloadOffset : 0;
  m_payloadLength = std::min<uint64_t>(uint64_t(length), room);
}

uint64_t EthernetContainer::GetPayloadLength() const {
  return m_header.rawDataLength <= kEthHeaderSize ? 0 : m_header.rawDataLength - kEthHeaderSize;
}

const uint8_t* EthernetContainer::GetPayload() const { return m_frame + kEthHeaderSize; }

uint8_t* EthernetContainer::CopyReplayDataTo(uint8_t* out) const {
  if (IsEndOfStream() || m_header.rawDataLength <= kEthHeaderSize)
    return BaseContainer::CopyReplayDataTo(out);
  std::memcpy(out, &m_header, kHeaderSize);
  uint8_t* f = out + kHeaderSize;
  std::memcpy(f, m_eth.destination, 6);
  std::memcpy(f + 6, m_eth.source, 6);
  WriteBe16(f + 12, m_eth.etherType);
  std::memcpy(f + kEthHeaderSize, GetPayload(), GetPayloadLength());
  return out + RecordLength(m_header);
}

const uint8_t* EthernetContainer::GetEthernetPayload(bool afterTags) const {
  return m_frame + (afterTags ? m_payloadOffset : kEthHeaderSize);
}

uint64_t EthernetContainer::GetEthernetPayloadLength(bool afterTags) const {
  return afterTags ? m_payloadLength : m_eth.etherType;
}

bool EthernetContainer::IsIpv4() const {
  return m_innerEtherType == kEtherTypeIpv4 && m_payloadLength >= kIpv4MinHeader;
}

bool EthernetContainer::IsIpv6() const {
  return m_innerEtherType == kEtherTypeIpv6 && m_payloadLength >= kIpv6Header;
}

uint8_t EthernetContainer::GetIhl() const {
  if (!IsIpv4()) throw std::runtime_error(kNotIpv4);
  return GetEthernetPayload(true)[0] & 0x0F;
}

std::array<uint8_t, 4> EthernetContainer::GetSrcIpv4() const {
  if (!IsIpv4()) throw std::runtime_error(kNotIpv4);
  std::array<uint8_t, 4> a;
  std::memcpy(a.data(), GetEthernetPayload(true) + 12, 4);
  return a;
}

std::array<uint8_t, 4> EthernetContainer::GetDstIpv4() const {
  if (!IsIpv4()) throw std::runtime_error(kNotIpv4);
  std::array<uint8_t, 4> a;
  std::memcpy(a.data(), GetEthernetPayload(true) + 16, 4);
  return a;
}

std::array<uint8_t, 16> EthernetContainer::GetSrcIpv6() const {
  if (!IsIpv6()) throw std::runtime_error(kNotIpv6);
  std::array<uint8_t, 16> a;
  std::memcpy(a.data(), GetEthernetPayload(true) + 8, 16);
  return a;
}

std::array<uint8_t, 16> EthernetContainer::GetDstIpv6() const {
  if (!IsIpv6()) throw std::runtime_error(kNotIpv6);
  std::array<uint8_t, 16> a;
  std::memcpy(a.data(), GetEthernetPayload(true) + 24, 16);
  return a;
}

uint16_t EthernetContainer::GetIPIdentificationId() const {
  return IsIpv4() ? ReadBe16(GetEthernetPayload(true) + 4) : 0;
}

uint32_t EthernetContainer::GetIPOffset() const {
  return IsIpv4() ? uint32_t(ReadBe16(GetEthernetPayload(true) + 6) & 0x1FFF) * 8 : 0;
}

bool EthernetContainer::IsIPFragmented() const {
  return IsIpv4() && (ReadBe16(GetEthernetPayload(true) + 6) & 0x3FFF) != 0;
}

bool EthernetContainer::IsDF() const { return IsIpv4() && (GetEthernetPayload(true)[6] & 0x40); }
bool EthernetContainer::IsMF() const { return IsIpv4() && (GetEthernetPayload(true)[6] & 0x20); }

uint64_t EthernetContainer::IpHeaderLength() const {
  if (IsIpv4()) {
    const uint64_t hl = uint64_t(GetEthernetPayload(true)[0] & 0x0F) * 4;
    if (hl > m_payloadLength) throw std::runtime_error(kNotIpPacket);
    return hl;
  }
  if (IsIpv6()) return kIpv6Header;
  throw std::runtime_error(kNotIpPacket);
}

uint64_t EthernetContainer::AhLength() const {
  if (GetProtocol(false) != kProtocolAh) return 0;
  const uint64_t at = IpHeaderLength();
  if (at + 2 > m_payloadLength) throw std::runtime_error(kNotIpPacket);
  return uint64_t(GetEthernetPayload(true)[at + 1]) * 4 + 8;
}

uint64_t EthernetContainer::GetIPv4FragmentLength() const {
  if (!IsIpv4()) throw std::runtime_error(kNotIpv4);
  const uint64_t hl = IpHeaderLength();
  const uint64_t carried = m_payloadLength - hl;
  const uint64_t total = ReadBe16(GetEthernetPayload(true) + 2);
  return total >= hl && total - hl <= carried ? total - hl : carried;
}

uint8_t EthernetContainer::GetProtocol(bool skipAH) const {
  const uint8_t* ip = GetEthernetPayload(true);
  uint8_t protocol;
  if (IsIpv4())
    protocol = ip[9];
  else if (IsIpv6())
    protocol = ip[6];
  else
    throw std::runtime_error(kNotIp);
  if (protocol == kProtocolAh && skipAH) {
    const uint64_t at = IpHeaderLength();
    if (at + 2 > m_payloadLength) throw std::runtime_error(kNotIp);
    protocol = ip[at];
  }
  return protocol;
}

uint8_t EthernetContainer::GetL4Protocol(bool skipAH) const {
  const uint8_t p = GetProtocol(skipAH);
  return p == kProtocolTcp || p == kProtocolUdp ? p : 0;
}

const uint8_t* EthernetContainer::GetIPPayloadStart(bool skipAH) const {
  uint64_t at = IpHeaderLength();
  if (skipAH) at += AhLength();
  if (at > m_payloadLength) throw std::runtime_error(kNotIpPacket);
  return GetEthernetPayload(true) + at;
}

uint64_t EthernetContainer::GetIPPayloadLength(bool skipAH) const {
  const uint64_t hl = IpHeaderLength();
  uint64_t length = m_payloadLength - hl;
  if (IsIpv6()) length = std::min<uint64_t>(ReadBe16(GetEthernetPayload(true) + 4), length);
  if (skipAH) {
    const uint64_t ah = AhLength();
    if (ah > length) throw std::runtime_error(kNotIpPacket);
    length -= ah;
  }
  return length;
}

uint64_t EthernetContainer::TransportOffset(uint8_t need, const char* error) const {
  const uint64_t at = IpHeaderLength() + AhLength();
  if (at + need > m_payloadLength) throw std::runtime_error(error);
  return at;
}

uint16_t EthernetContainer::GetUdpLength() const {
  if (GetProtocol(true) != kProtocolUdp) throw std::runtime_error(kNotUdp);
  return ReadBe16(GetEthernetPayload(true) + TransportOffset(8, kNotUdp) + 4);
}

const uint8_t* EthernetContainer::GetUdpPayload() const {
  if (GetProtocol(true) != kProtocolUdp) throw std::runtime_error(kNotUdp);
  return GetEthernetPayload(true) + TransportOffset(8, kNotUdp) + 8;
}

uint16_t EthernetContainer::GetSrcPort() const {
  if (GetL4Protocol(true) == 0) throw std::runtime_error(kNotUdpTcp);
  return ReadBe16(GetEthernetPayload(true) + TransportOffset(4, kNotUdpTcp));
}

uint16_t EthernetContainer::GetDstPort() const {
  if (GetL4Protocol(true) == 0) throw std::runtime_error(kNotUdpTcp);
  return ReadBe16(GetEthernetPayload(true) + TransportOffset(4, kNotUdpTcp) + 2);
}

std::vector<SOMEIPMessage> EthernetContainer::GetSOMEIPMessages() const {
  const uint16_t udpLength = GetUdpLength();
  if (udpLength < 9) return {};
  const uint64_t at = TransportOffset(8, kNotUdp) + 8;
  // The length field may claim more than the frame carries.
  const uint64_t n = std::min<uint64_t>(udpLength - 8, m_payloadLength - at);
  return SOMEIPMessage::ReadSOMEIPMessages(GetEthernetPayload(true) + at, n, GetTimestamp());
}

// ---------------------------------------------------------------------------
SOMEIPContainer::SOMEIPContainer(const void* record, bool copy) : BaseContainer(record, copy) {
  const uint64_t n = std::min<uint64_t>(sizeof m_someip, m_header.rawDataLength);
  if (n) std::memcpy(&m_someip, m_frame, n);
}

}  // namespace ptx
