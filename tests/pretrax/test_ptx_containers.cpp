// Frame containers: tag look-through, IP/UDP accessors, SOME/IP parsing and
// the serialised form of a record.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ptx_containers.h"
#include "ptx_frames.h"

using namespace ptxtest;
using ptx::EthernetContainer;

namespace {

EthernetContainer Make(const Bytes& record) { return EthernetContainer(record.data(), true); }

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(PretraxContainer, TagsAreLookedThrough) {
  struct Case {
    Tag tag;
    uint32_t frameType;
    size_t payloadOffset;
    size_t lengthLoss;  // from L
  } cases[] = {
      {Tag::None, 3, 14, 14}, {Tag::Vlan, 3, 18, 18}, {Tag::QinQ, 3, 22, 22},
      {Tag::None, 0, 14, 18}, {Tag::Vlan, 0, 18, 22}, {Tag::QinQ, 0, 22, 26},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.tag) * 10 + int(c.frameType));
    Bytes frame = Ethernet(0x0800, Ipv4({}, Udp(1, 2, Pattern(40))), c.tag);
    if (c.frameType != 3) frame.insert(frame.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    RecordOpts o;
    o.frameType = c.frameType;
    const Bytes r = Record(frame, o);
    const EthernetContainer e = Make(r);
    EXPECT_EQ(e.GetEtherType(true), 0x0800);
    EXPECT_EQ(e.GetEtherType(false), c.tag == Tag::None ? 0x0800 : c.tag == Tag::Vlan ? 0x8100 : 0x88A8);
    EXPECT_EQ(e.GetEthernetPayload(true), e.Frame() + c.payloadOffset);
    EXPECT_EQ(e.GetEthernetPayloadLength(true), frame.size() - c.lengthLoss);
    EXPECT_EQ(e.GetUdpLength(), 48);
    EXPECT_EQ(e.GetIPPayloadLength(false), 48u) << "FCS excluded";
    EXPECT_EQ(e.GetDstPort(), 2);
    EXPECT_EQ(e.GetPayloadLength(), frame.size() - 14);
  }
}

TEST(PretraxContainer, FragmentFields) {
  struct Case {
    uint16_t word;
    uint32_t offset;
    bool mf, df, fragmented;
  } cases[] = {
      {0x2003, 24, true, false, true},
      {0x4000, 0, false, true, false},
      {0x0000, 0, false, false, false},
      {0x00B9, 1480, false, false, true},
      {0x2000, 0, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    Bytes ip = Ipv4({}, Udp(1, 2, Pattern(16)));
    ip[6] = uint8_t(c.word >> 8);
    ip[7] = uint8_t(c.word);
    const EthernetContainer e = Make(Record(Ethernet(0x0800, ip), 0));
    EXPECT_EQ(e.GetIPOffset(), c.offset);
    EXPECT_EQ(e.IsMF(), c.mf);
    EXPECT_EQ(e.IsDF(), c.df);
    EXPECT_EQ(e.IsIPFragmented(), c.fragmented);
  }
}

TEST(PretraxContainer, IpAccessorsOfOtherFramesRaise) {
  const EthernetContainer arp = Make(Record(Ethernet(0x0806, Pattern(28)), 0));
  EXPECT_EQ(ErrorOf([&] { arp.GetIhl(); }), "Container does not contain a valid IPv4 frame");
  EXPECT_EQ(ErrorOf([&] { arp.GetSrcIpv6(); }), "Container does not contain a valid IPv6 frame");
  EXPECT_EQ(ErrorOf([&] { arp.GetProtocol(true); }), "Container does not contain a valid IP frame");
  EXPECT_EQ(ErrorOf([&] { arp.GetIPPayloadStart(false); }), "Not a IP packet");
  EXPECT_EQ(arp.GetIPIdentificationId(), 0);
  EXPECT_FALSE(arp.IsIPFragmented());

  Ipv4Opts tcp;
  tcp.protocol = 6;
  const EthernetContainer t = Make(Record(Ethernet(0x0800, Ipv4(tcp, Pattern(20))), 0));
  EXPECT_EQ(ErrorOf([&] { t.GetUdpLength(); }), "Container does not contain a UDP frame");
  EXPECT_EQ(t.GetL4Protocol(true), 6);
  Ipv4Opts icmp;
  icmp.protocol = 1;
  const EthernetContainer i = Make(Record(Ethernet(0x0800, Ipv4(icmp, Pattern(20))), 0));
  EXPECT_EQ(ErrorOf([&] { i.GetSrcPort(); }), "Container does not contain a UDP or TCP frame");
  EXPECT_EQ(i.GetL4Protocol(true), 0);
}

TEST(PretraxContainer, AuthenticationHeaderIsSkipped) {
  Ipv4Opts o;
  o.protocol = 0x33;
  Bytes ah = {17, 2, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0xAA, 0xBB, 0xCC, 0xDD};  // (2 + 2) * 4 bytes
  Bytes payload = ah;
  const Bytes udp = Udp(7, 9, Pattern(20));
  payload.insert(payload.end(), udp.begin(), udp.end());
  const EthernetContainer e = Make(Record(Ethernet(0x0800, Ipv4(o, payload)), 0));
  EXPECT_EQ(e.GetProtocol(false), 0x33);
  EXPECT_EQ(e.GetProtocol(true), 17);
  EXPECT_EQ(e.GetIPPayloadLength(false), payload.size());
  EXPECT_EQ(e.GetIPPayloadLength(true), udp.size());
  EXPECT_EQ(e.GetIPPayloadStart(true), e.GetIPPayloadStart(false) + 16);
  EXPECT_EQ(e.GetDstPort(), 9);
}

TEST(PretraxContainer, TruncatedFramesNeverReadPastTheirBytes) {
  // Every prefix of a tagged UDP frame: accessors answer or raise, and ASan
  // sees no read beyond the copy.
  const Bytes full = Ethernet(0x0800, Ipv4({}, Udp(1, 2, SomeIp({}, Pattern(20)))), Tag::QinQ);
  for (size_t n = 0; n <= full.size(); ++n) {
    Bytes frame(full.begin(), full.begin() + n);
    const Bytes r = Record(frame, 0);
    EthernetContainer e(r.data(), true);
    try {
      e.GetSOMEIPMessages();
    } catch (const std::runtime_error&) {
    }
    try {
      e.GetDstIpv4();
      e.GetIPPayloadLength(true);
      e.GetIPv4FragmentLength();
    } catch (const std::runtime_error&) {
    }
    e.IsIPFragmented();
    EXPECT_LE(e.GetEthernetPayloadLength(true), n);
  }
}

TEST(PretraxContainer, LengthsLongerThanTheFrameAreNotFollowed) {
  Bytes udp = Udp(1, 2, SomeIp({}, Pattern(8)));
  udp[4] = 0x05;  // claims 1280 bytes more than there are
  const EthernetContainer e = Make(Record(Ethernet(0x0800, Ipv4({}, udp)), 0));
  const auto m = e.GetSOMEIPMessages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].payload, Pattern(8));

  Bytes someip = SomeIp({}, Pattern(8));
  someip[6] = 0x01;  // SOME/IP length past the frame
  const EthernetContainer l = Make(Record(Ethernet(0x0800, Ipv4({}, Udp(1, 2, someip))), 0));
  EXPECT_EQ(ErrorOf([&] { l.GetSOMEIPMessages(); }), "Container does not valid SOME/IP data");
}

TEST(PretraxSomeIp, ParsesMessagesOfAPayload) {
  SomeIpOpts a;
  a.session = 7;
  SomeIpOpts b;
  b.service = 0x4321;
  b.interfaceVersion = 2;
  Bytes payload = SomeIp(a, Pattern(12, 1));
  const Bytes second = SomeIp(b, Pattern(5, 2));
  payload.insert(payload.end(), second.begin(), second.end());
  auto m = ptx::SOMEIPMessage::ReadSOMEIPMessages(payload.data(), payload.size(), 99);
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(+m[0].header.serviceId, 0x1234);
  EXPECT_EQ(+m[0].header.methodId, 0x8001);
  EXPECT_TRUE(m[0].header.isEvent);
  EXPECT_EQ(+m[0].header.sessionId, 7);
  EXPECT_EQ(m[0].payload, Pattern(12, 1));
  EXPECT_EQ(m[0].timestamp, 99u);
  EXPECT_EQ(+m[1].header.serviceId, 0x4321);
  EXPECT_EQ(m[1].payload, Pattern(5, 2));

  EXPECT_TRUE(ptx::SOMEIPMessage::ReadSOMEIPMessages(payload.data(), 15, 0).empty());

  Bytes v2 = SomeIp(a, Pattern(4));
  v2[12] = 2;
  EXPECT_EQ(ErrorOf([&] { ptx::SOMEIPMessage::ReadSOMEIPMessages(v2.data(), v2.size(), 0); }),
            "Container does not valid SOME/IP data");
  Bytes cut = SomeIp(a, Pattern(4));
  EXPECT_EQ(ErrorOf([&] { ptx::SOMEIPMessage::ReadSOMEIPMessages(cut.data(), cut.size() - 1, 0); }),
            "Container does not valid SOME/IP data");
  Bytes tiny = SomeIp(a, {});
  tiny[7] = 4;  // a length that cannot hold the request id
  EXPECT_EQ(ErrorOf([&] { ptx::SOMEIPMessage::ReadSOMEIPMessages(tiny.data(), tiny.size(), 0); }),
            "Container does not valid SOME/IP data");
}

TEST(PretraxSomeIp, TpSegmentAndPlainMessageOfLength40) {
  SomeIpOpts tp;
  tp.tp = true;
  tp.tpOffsetBytes = 0x50;
  tp.more = true;
  const Bytes seg = SomeIp(tp, Pattern(28));
  auto m = ptx::SOMEIPMessage::ReadSOMEIPMessages(seg.data(), seg.size(), 0);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(+m[0].header.length, 40);
  EXPECT_EQ(+m[0].header.tpOffset, 5);
  EXPECT_EQ(+m[0].header.tpFlags, 1);
  EXPECT_EQ(m[0].payload, Bytes(seg.begin() + 20, seg.end()));

  const Bytes plain = SomeIp({}, Pattern(32));
  m = ptx::SOMEIPMessage::ReadSOMEIPMessages(plain.data(), plain.size(), 0);
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(+m[0].header.length, 40);
  EXPECT_EQ(+m[0].header.tpOffset, 0);
  EXPECT_EQ(m[0].payload, Bytes(plain.begin() + 16, plain.end()));
}

TEST(PretraxSerialise, RecordsAreReproduced) {
  struct Case {
    const char* name;
    Bytes frame;
    uint32_t frameType;
    uint32_t padding;
  } cases[] = {
      {"plain", Ethernet(0x0800, Ipv4({}, Udp(1, 2, Pattern(30)))), 3, 0},
      {"vlan with fcs", Ethernet(0x0800, Ipv4({}, Pattern(30)), Tag::Vlan), 0, 0},
      {"padded", Ethernet(0x0806, Pattern(28)), 3, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordOpts o;
    o.frameType = c.frameType;
    o.padding = c.padding;
    o.timestamp = 0x1122334455667788ull;
    o.reserved0 = 0xCAFEF00D;
    o.flags = 0x10;
    const Bytes r = Record(c.frame, o);
    const EthernetContainer e = Make(r);
    Bytes out(r.size() + 8, 0xA5);
    EXPECT_EQ(e.CopyReplayDataTo(out.data()), out.data() + r.size());
    EXPECT_TRUE(std::equal(r.begin(), r.end() - c.padding, out.begin()));
    for (size_t i = r.size() - c.padding; i < out.size(); ++i) EXPECT_EQ(out[i], 0xA5) << i;
    const EthernetContainer copy(e);
    Bytes again(r.size(), 0xA5);
    copy.CopyReplayDataTo(again.data());
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + r.size(), again.begin()));
  }
}

TEST(PretraxSerialise, EndOfStreamIsHeaderAndEightZeros) {
  RecordOpts o;
  o.kind = 0xF000;
  o.timestamp = 42;
  const Bytes r = Record(Pattern(8, 3), o);
  const EthernetContainer e = Make(r);
  Bytes out(64, 0xA5);
  EXPECT_EQ(e.CopyReplayDataTo(out.data()), out.data() + 56);
  EXPECT_TRUE(std::equal(r.begin(), r.begin() + 48, out.begin()));
  EXPECT_EQ(Bytes(out.begin() + 48, out.begin() + 56), Bytes(8, 0));
  EXPECT_EQ(out[56], 0xA5);
}

TEST(PretraxSerialise, ShortRecordKeepsItsLength) {
  for (size_t raw : {0u, 6u, 14u}) {
    SCOPED_TRACE(raw);
    RecordOpts o;
    o.padding = 10;
    const Bytes r = Record(Pattern(raw, 9), o);
    const EthernetContainer e = Make(r);
    Bytes out(r.size(), 0xA5);
    EXPECT_EQ(e.CopyReplayDataTo(out.data()), out.data() + r.size());
    EXPECT_TRUE(std::equal(r.begin(), r.begin() + 48 + raw, out.begin()));
    for (size_t i = 48 + raw; i < r.size(); ++i) EXPECT_EQ(out[i], 0) << i;
  }
}

TEST(PretraxContainer, ReadDataFromPicksTheKind) {
  const Bytes r = Record(Ethernet(0x0800, Ipv4({}, Udp(1, 2, SomeIp({}, Pattern(4))))), 0);
  EXPECT_NE(dynamic_cast<EthernetContainer*>(
                ptx::BaseContainer::ReadDataFrom(r.data(), ptx::ChannelType::Ethernet, true).get()),
            nullptr);
  EXPECT_NE(dynamic_cast<ptx::SOMEIPContainer*>(
                ptx::BaseContainer::ReadDataFrom(r.data(), ptx::ChannelType::SomeIp, true).get()),
            nullptr);
  EXPECT_NE(ptx::BaseContainer::ReadDataFrom(r.data(), ptx::ChannelType::Plain, false), nullptr);
  EXPECT_EQ(ptx::BaseContainer::ReadDataFrom(r.data(), ptx::ChannelType::Can, true), nullptr);
  EXPECT_EQ(ptx::BaseContainer::ReadDataFrom(r.data(), ptx::ChannelType(1), true), nullptr);
}

}  // namespace
