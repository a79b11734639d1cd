// Holding back and releasing IPv4 fragments and SOME/IP-TP segments, the
// output queue and its fill window, end of stream and flushing.
#include <gtest/gtest.h>

#include <stdexcept>

#include "ptx_fixture.h"
#include "ptx_info.h"

using namespace ptxtest;

namespace {

constexpr uint64_t kBase = 1000;

// The frames of one UDP datagram cut into IPv4 fragments of `step` bytes,
// in offset order; every byte tells its position in the datagram.
std::vector<Bytes> IpFragments(size_t count, uint16_t id = 7, size_t step = 1480,
                               size_t lastSize = 600, uint32_t seed = 0) {
  const Bytes datagram = Udp(5000, 6000, Pattern(step * (count - 1) + lastSize - 8, seed));
  std::vector<Bytes> frames;
  for (size_t k = 0; k < count; ++k) {
    Ipv4Opts o;
    o.id = id;
    o.offsetBytes = uint32_t(k * step);
    o.mf = k + 1 < count;
    const size_t n = k + 1 < count ? step : lastSize;
    frames.push_back(Ethernet(0x0800, Ipv4(o, Bytes(datagram.begin() + k * step,
                                                    datagram.begin() + k * step + n))));
  }
  return frames;
}

// The frames of one SOME/IP-TP message cut into segments of `step` bytes.
std::vector<Bytes> TpSegments(size_t count, uint16_t session = 1, size_t step = 1392,
                              size_t lastSize = 300, uint32_t seed = 0) {
  const Bytes message = Pattern(step * (count - 1) + lastSize, seed);
  std::vector<Bytes> frames;
  for (size_t k = 0; k < count; ++k) {
    SomeIpOpts s;
    s.tp = true;
    s.session = session;
    s.tpOffsetBytes = uint32_t(k * step);
    s.more = k + 1 < count;
    const size_t n = k + 1 < count ? step : lastSize;
    const Bytes part(message.begin() + k * step, message.begin() + k * step + n);
    frames.push_back(Ethernet(0x0800, Ipv4({}, Udp(30490, 30490, SomeIp(s, part)))));
  }
  return frames;
}

std::vector<size_t> Order(const std::string& name, size_t n) {
  std::vector<size_t> o;
  if (name == "in order") {
    for (size_t i = 0; i < n; ++i) o.push_back(i);
  } else if (name == "reverse") {
    for (size_t i = n; i-- > 0;) o.push_back(i);
  } else if (name == "odd then even") {
    for (size_t i = 1; i < n; i += 2) o.push_back(i);
    for (size_t i = 0; i < n; i += 2) o.push_back(i);
  } else {  // even then odd
    for (size_t i = 0; i < n; i += 2) o.push_back(i);
    for (size_t i = 1; i < n; i += 2) o.push_back(i);
  }
  return o;
}

struct GroupCase {
  const char* order;
  size_t pieces;
};

class ReassemblyOrder : public testing::TestWithParam<std::tuple<PTXProtocolType, GroupCase>> {};

TEST_P(ReassemblyOrder, ReleasesTheGroupInOffsetOrderUnderTheFirstPiecesTimestamp) {
  const auto [protocol, c] = GetParam();
  const std::vector<Bytes> frames = protocol == PRETRAX_UDP ? IpFragments(c.pieces)
                                                            : TpSegments(c.pieces);
  const std::vector<size_t> order = Order(c.order, c.pieces);
  std::vector<uint64_t> ts(c.pieces);
  for (size_t pos = 0; pos < order.size(); ++pos) ts[order[pos]] = kBase + 10 * pos;

  Instance in(protocol, 1, 1000);
  const Bytes before = Record(Ethernet(0x0806, Pattern(28, 1)), ts[0] - 1);
  const Bytes after = Record(Ethernet(0x0806, Pattern(28, 2)), ts[0] + 1);
  in.InsertAll({before, after});
  for (size_t pos = 0; pos < order.size(); ++pos) {
    const size_t k = order[pos];
    RecordOpts o;
    o.timestamp = ts[k];
    o.flags = 0x100;
    in.InsertAll({Record(frames[k], o)});
    const PTXStatistics s = in.Stats();
    const bool complete = pos + 1 == order.size();
    EXPECT_EQ(s.numOfFramesInOutputQueue, complete ? 2 + c.pieces : 2u) << "after piece " << k;
    EXPECT_EQ(s.numOfProcessedFrames, pos + 1);
  }
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), c.pieces + 3);
  EXPECT_EQ(out.front().Frame(), Ethernet(0x0806, Pattern(28, 1)));
  for (size_t k = 0; k < c.pieces; ++k) {
    SCOPED_TRACE(k);
    const OutRecord& r = out[1 + k];
    EXPECT_EQ(r.Frame(), frames[k]) << "byte for byte, in offset order";
    EXPECT_EQ(r.flags, k == 0 ? 0x100u : 0x104u);
    EXPECT_EQ(r.timestamp, ts[k]) << "the header itself is not altered";
  }
  EXPECT_EQ(out[c.pieces + 1].Frame(), Ethernet(0x0806, Pattern(28, 2)));
  EXPECT_EQ(out.back().kind, 0xF000u);
}

const GroupCase kOrders[] = {{"in order", 3},      {"reverse", 3},       {"odd then even", 3},
                              {"even then odd", 3}, {"odd then even", 6}, {"reverse", 2}};

std::string CaseName(const testing::TestParamInfo<ReassemblyOrder::ParamType>& info) {
  std::string n = std::string(std::get<0>(info.param) == PRETRAX_UDP ? "Udp_" : "SomeIp_") +
                  std::get<1>(info.param).order + "_" + std::to_string(std::get<1>(info.param).pieces);
  for (char& ch : n)
    if (ch == ' ') ch = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Orders, ReassemblyOrder,
                         testing::Combine(testing::Values(PRETRAX_UDP, PRETRAX_SOMEIP),
                                          testing::ValuesIn(kOrders)),
                         CaseName);
// A lone IPv4 piece is an unfragmented datagram; a lone TP segment is a group.
INSTANTIATE_TEST_SUITE_P(SingleSegment, ReassemblyOrder,
                         testing::Values(std::make_tuple(PRETRAX_SOMEIP, GroupCase{"in order", 1})),
                         CaseName);

TEST(PretraxUdp, UnfragmentedAndDontFragmentAreQueuedAtOnce) {
  Instance in(PRETRAX_UDP, 1, 100);
  Ipv4Opts df;
  df.df = true;
  df.mf = true;
  Ipv4Opts tcp;
  tcp.protocol = 6;
  tcp.mf = true;
  const std::vector<Bytes> records = {
      Record(Ethernet(0x0800, Ipv4({}, Udp(1, 2, Pattern(100)))), 1),
      Record(Ethernet(0x0800, Ipv4(df, Udp(1, 2, Pattern(100)))), 2),
      Record(Ethernet(0x0800, Ipv4(tcp, Pattern(100))), 3),
      Record(Ethernet(0x86DD, Pattern(80)), 4),
  };
  in.InsertAll(records);
  const PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfFramesInOutputQueue, 4u);
  EXPECT_EQ(s.numOfProcessedFrames, 0u);
}

TEST(PretraxUdp, VlanTaggedFragmentsAreReassembled) {
  Instance in(PRETRAX_UDP, 1, 100);
  std::vector<Bytes> frames = IpFragments(2);
  for (Bytes& f : frames) f.insert(f.begin() + 12, {0x81, 0x00, 0x00, 0x05});
  in.InsertAll({Record(frames[1], 10), Record(frames[0], 20)});
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].Frame(), frames[0]);
  EXPECT_EQ(out[1].Frame(), frames[1]);
  EXPECT_EQ(out[1].flags, 4u);
}

TEST(PretraxUdp, InterleavedDatagramsAreKeptApart) {
  Instance in(PRETRAX_UDP, 1, 100);
  const auto a = IpFragments(2, 1, 1480, 600, 1);
  const auto b = IpFragments(2, 2, 1480, 600, 2);
  Bytes otherDst = a[1];
  otherDst[14 + 19] = 99;  // same identification, other destination
  in.InsertAll({Record(a[0], 1), Record(b[1], 2), Record(otherDst, 3), Record(b[0], 4),
                Record(a[1], 5)});
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 6u);
  EXPECT_EQ(out[0].Frame(), a[0]);
  EXPECT_EQ(out[1].Frame(), a[1]);
  EXPECT_EQ(out[2].Frame(), otherDst) << "never completed: leaves unchanged, own timestamp";
  EXPECT_EQ(out[2].flags, 0u);
  EXPECT_EQ(out[3].Frame(), b[0]);
  EXPECT_EQ(out[4].Frame(), b[1]);
}

TEST(PretraxSomeIp, NewSessionOnTheSameKeyRestartsTheGroup) {
  Instance in(PRETRAX_SOMEIP, 1, 100);
  const auto first = TpSegments(2, 1, 1392, 300, 1);
  const auto second = TpSegments(2, 2, 1392, 300, 2);
  in.InsertAll({Record(first[0], 10), Record(second[0], 20)});
  EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, 1u) << "the abandoned segment leaves unchanged";
  in.InsertAll({Record(second[1], 30)});
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0].Frame(), first[0]);
  EXPECT_EQ(out[0].flags, 0u);
  EXPECT_EQ(out[1].Frame(), second[0]);
  EXPECT_EQ(out[2].Frame(), second[1]);
  EXPECT_EQ(out[2].flags, 4u);
}

TEST(PretraxSomeIp, OtherFramesAreQueuedAndEmptyUdpIsDropped) {
  Instance in(PRETRAX_SOMEIP, 1, 100);
  Ipv4Opts tcp;
  tcp.protocol = 6;
  Bytes badVersion = SomeIp({}, Pattern(8));
  badVersion[12] = 2;
  const Bytes tcpFrame = Record(Ethernet(0x0800, Ipv4(tcp, Pattern(60))), 1);
  const Bytes arp = Record(Ethernet(0x0806, Pattern(28)), 2);
  const Bytes plain = Record(Ethernet(0x0800, Ipv4({}, Udp(1, 2, SomeIp({}, Pattern(20))))), 3);
  const Bytes invalid = Record(Ethernet(0x0800, Ipv4({}, Udp(1, 2, badVersion))), 4);
  const Bytes empty = Record(Ethernet(0x0800, Ipv4({}, Udp(1, 2, Pattern(15)))), 5);
  uint64_t n = 0;
  EXPECT_EQ(in.Insert(Concat({tcpFrame, arp, empty, plain, invalid}), &n), PRETRAX_INCOMPLETE_FRAME);
  EXPECT_EQ(n, tcpFrame.size() + arp.size() + plain.size() + invalid.size());
  const PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfTotalFrames, 5u);
  EXPECT_EQ(s.numOfFramesInOutputQueue, 4u);
  EXPECT_EQ(s.numOfProcessedFrames, 0u);
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].bytes, tcpFrame);
  EXPECT_EQ(out[3].bytes, invalid);
}

TEST(PretraxQueue, FillWindowStaysUntilTheEndOfStream) {
  Instance in(PRETRAX_GENERIC, 10, 1000);
  std::vector<Bytes> records;
  for (int i = 0; i < 12; ++i) records.push_back(Record(Ethernet(0x0806, Pattern(28, i)), 100 - i));
  in.InsertAll(records);
  EXPECT_EQ(in.Stats().numOfFramesReadyToRead, 2u);
  auto out = in.Read();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].timestamp, 89u) << "oldest first";
  EXPECT_EQ(out[1].timestamp, 90u);
  EXPECT_TRUE(in.Read().empty());
  bool eos = false;
  EXPECT_EQ(in.Insert(EndOfStream(5), nullptr, &eos), PRETRAX_NO_ERROR);
  EXPECT_TRUE(eos);
  EXPECT_EQ(in.Stats().numOfFramesReadyToRead, 11u);
  out = in.Read();
  ASSERT_EQ(out.size(), 11u);
  EXPECT_EQ(out[0].timestamp, 91u);
  EXPECT_EQ(out[9].timestamp, 100u);
  EXPECT_EQ(out[10].kind, 0xF000u) << "last whatever its timestamp";
  EXPECT_EQ(in.Stats().numOfBytesInOutputQueue, 0u);
}

TEST(PretraxQueue, EqualTimestampsLeaveInInsertionOrder) {
  Instance in(PRETRAX_GENERIC, 1, 100);
  std::vector<Bytes> records;
  for (int i = 0; i < 5; ++i) records.push_back(Record(Ethernet(0x0806, Pattern(28, i)), 7));
  in.InsertAll(records);
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 6u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i].bytes, records[i]);
}

TEST(PretraxQueue, CapacityAndSingleFrameReads) {
  Instance in(PRETRAX_GENERIC, 1, 100);
  const Bytes a = Record(Ethernet(0x0806, Pattern(28, 1)), 1);
  const Bytes b = Record(Ethernet(0x0806, Pattern(40, 2)), 2);
  in.InsertAll({a, b, Record(Ethernet(0x0806, Pattern(28, 3)), 3)});
  EXPECT_TRUE(in.Read(a.size() - 1).empty()) << "too small for the first record";
  EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, 3u);
  auto out = in.Read(a.size() + b.size() - 1);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, a);
  out = in.Read(1 << 16, true);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, b);
  EXPECT_TRUE(in.Read(1 << 16, true).empty()) << "the fill window holds the last one";
  EXPECT_EQ(in.Stats().numOfBytesInOutputQueue, a.size());
}

TEST(PretraxQueue, InsertionAfterTheEndOfStreamStartsAfresh) {
  Instance in(PRETRAX_GENERIC, 2, 100);
  in.InsertAll({Record(Ethernet(0x0806, Pattern(28, 1)), 1), Record(Ethernet(0x0806, Pattern(28, 2)), 2)});
  ASSERT_EQ(in.Insert(EndOfStream()), PRETRAX_NO_ERROR);
  const Bytes next = Record(Ethernet(0x0806, Pattern(28, 3)), 3);
  in.InsertAll({next});
  const PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfFramesInOutputQueue, 1u);
  EXPECT_EQ(s.numOfBytesInOutputQueue, next.size());
  EXPECT_EQ(s.numOfTotalFrames, 3u);
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].bytes, next);
}

TEST(PretraxInsert, EndOfStreamStopsTheBuffer) {
  Instance in(PRETRAX_GENERIC, 5, 100);
  const Bytes a = Record(Ethernet(0x0806, Pattern(28, 1)), 1);
  const Bytes eos = EndOfStream(99);
  uint64_t n = 0;
  bool end = false;
  EXPECT_EQ(in.Insert(Concat({a, eos, a}), &n, &end), PRETRAX_NO_ERROR);
  EXPECT_EQ(n, a.size() + eos.size());
  EXPECT_TRUE(end);
  const PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfTotalFrames, 1u) << "the end-of-stream record is not counted";
  EXPECT_EQ(s.numOfFramesInOutputQueue, 2u);
  EXPECT_EQ(s.numOfFramesReadyToRead, 2u);
}

TEST(PretraxInsert, CutShortAndInconsistentRecordsAreDropped) {
  Instance in(PRETRAX_GENERIC, 1, 100);
  const Bytes good = Record(Ethernet(0x0806, Pattern(28)), 1);
  Bytes lying = good;
  Le32At(lying, 36, 500);  // frame longer than the record
  const Bytes cut = Record(Ethernet(0x0806, Pattern(28)), 2);
  Bytes buffer = Concat({good, lying, good, cut});
  buffer.erase(buffer.end() - 10, buffer.end());
  uint64_t n = 0;
  EXPECT_EQ(in.Insert(buffer, &n), PRETRAX_INCOMPLETE_FRAME);
  EXPECT_EQ(n, 2 * good.size());
  const PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfTotalFrames, 4u);
  EXPECT_EQ(s.numOfFramesInOutputQueue, 2u);
  // A header only, claiming a frame beyond the buffer.
  Bytes header(good.begin(), good.begin() + 48);
  EXPECT_EQ(in.Insert(header, &n), PRETRAX_INCOMPLETE_FRAME);
  EXPECT_EQ(n, 0u);
}

TEST(PretraxInsert, ShortRecordsAreWrittenBackWhole) {
  Instance in(PRETRAX_UDP, 1, 100);
  RecordOpts o;
  o.padding = 12;
  const Bytes shortOne = Record(Pattern(10, 4), o);
  const Bytes empty = Record(Bytes{}, o);
  in.InsertAll({shortOne, empty});
  Bytes out(1024, 0xA5);
  uint64_t written = 0;
  ASSERT_EQ(in.Insert(EndOfStream()), PRETRAX_NO_ERROR);
  ASSERT_EQ(PTX_GetFrames(in.h, out.data(), out.size(), false, &written), PRETRAX_NO_ERROR);
  ASSERT_EQ(written, shortOne.size() + empty.size() + 56);
  EXPECT_TRUE(std::equal(shortOne.begin(), shortOne.end(), out.begin()));
  EXPECT_TRUE(std::equal(empty.begin(), empty.end(), out.begin() + shortOne.size()));
}

TEST(PretraxGetFrames, ByteCountBelowZeroRaises) {
  Instance in(PRETRAX_GENERIC, 1, 100);
  in.InsertAll({Record(Ethernet(0x0806, Pattern(28)), 1), Record(Ethernet(0x0806, Pattern(28)), 2)});
  in.h->numOfBytesInOutputQueue = 10;
  Bytes out(1024);
  uint64_t written = 0;
  try {
    PTX_GetFrames(in.h, out.data(), out.size(), false, &written);
    FAIL() << "no error raised";
  } catch (const std::underflow_error& e) {
    EXPECT_STREQ(e.what(), "Incorrect length of the read frame.");
  }
}

// --- pieces that do not add up -------------------------------------------

TEST(PretraxReassembly, RepeatedPieceIsNotCountedTwice) {
  Instance in(PRETRAX_UDP, 1, 100);
  const auto f = IpFragments(3);
  // 1480 + 1480 + 600 would pass for complete if bytes were merely summed.
  Bytes third = f[2];
  in.InsertAll({Record(f[0], 10), Record(f[0], 20), Record(f[2], 30)});
  EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, 1u) << "only the replaced copy went out";
  in.InsertAll({Record(f[1], 40)});
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].timestamp, 10u);
  EXPECT_EQ(out[0].flags, 0u);
  EXPECT_EQ(out[1].timestamp, 20u) << "the group goes under its held first piece";
  EXPECT_EQ(out[2].Frame(), f[1]);
  EXPECT_EQ(out[3].Frame(), f[2]);
}

struct Contradiction {
  const char* name;
  std::vector<std::pair<uint32_t, uint32_t>> pieces;  // offset, length; last piece has MF clear
  std::vector<bool> last;
};

TEST(PretraxReassembly, ContradictoryPiecesLeaveUnchanged) {
  const Contradiction cases[] = {
      {"second last piece with another end", {{0, 1480}, {2960, 800}, {4440, 600}}, {false, true, true}},
      {"repeated last piece with another end", {{0, 1480}, {2960, 800}, {2960, 600}}, {false, true, true}},
      {"piece past the known end", {{1480, 600}, {2960, 800}}, {true, false}},
      {"last piece before a held piece", {{2960, 800}, {1480, 600}}, {false, true}},
      {"overlap at another offset", {{0, 1480}, {1000, 1480}}, {false, false}},
      {"end past 65535", {{65000, 1000}}, {false}},
  };
  for (const Contradiction& c : cases) {
    SCOPED_TRACE(c.name);
    Instance in(PRETRAX_UDP, 1, 100);
    const Bytes data = Pattern(70000);
    std::vector<Bytes> records;
    for (size_t i = 0; i < c.pieces.size(); ++i) {
      Ipv4Opts o;
      o.offsetBytes = c.pieces[i].first;
      o.mf = !c.last[i];
      const Bytes part(data.begin() + c.pieces[i].first,
                       data.begin() + c.pieces[i].first + c.pieces[i].second);
      records.push_back(Record(Ethernet(0x0800, Ipv4(o, part)), 100 + i));
    }
    in.InsertAll(records);
    EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, records.size()) << "nothing held";
    const auto out = in.Drain();
    ASSERT_EQ(out.size(), records.size() + 1);
    for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(out[i].bytes, records[i]) << i;
  }
}

TEST(PretraxReassembly, CompletedGroupStartsAfresh) {
  for (PTXProtocolType protocol : {PRETRAX_UDP, PRETRAX_SOMEIP}) {
    SCOPED_TRACE(protocol);
    Instance in(protocol, 1, 100);
    // Same identification / same session, other content.
    const auto one = protocol == PRETRAX_UDP ? IpFragments(2, 9, 1480, 600, 1)
                                             : TpSegments(2, 5, 1392, 300, 1);
    const auto two = protocol == PRETRAX_UDP ? IpFragments(2, 9, 1480, 600, 2)
                                             : TpSegments(2, 5, 1392, 300, 2);
    in.InsertAll({Record(one[0], 1), Record(one[1], 2)});
    EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, 2u);
    in.InsertAll({Record(two[1], 3)});
    EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, 2u) << "held, not added to the old group";
    in.InsertAll({Record(two[0], 4)});
    const auto out = in.Drain();
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[2].Frame(), two[0]);
    EXPECT_EQ(out[3].Frame(), two[1]);
    EXPECT_EQ(out[3].flags, 4u);
  }
}

TEST(PretraxReassembly, IncompleteGroupsLeaveBeforeTheEndOfStream) {
  Instance in(PRETRAX_SOMEIP, 1, 100);
  const auto f = TpSegments(3);
  const Bytes late = Record(Ethernet(0x0806, Pattern(28)), 500);
  in.InsertAll({Record(f[0], 10), Record(f[2], 30), late});
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[0].Frame(), f[0]);
  EXPECT_EQ(out[1].Frame(), f[2]);
  EXPECT_EQ(out[1].flags, 0u) << "unchanged";
  EXPECT_EQ(out[2].bytes, late);
  EXPECT_EQ(out[3].kind, 0xF000u);
}

TEST(PretraxReassembly, IncompleteGroupLeavesAfterTheMaximumDepthOfRecords) {
  Instance in(PRETRAX_UDP, 1, 20);
  const auto f = IpFragments(2);
  in.InsertAll({Record(f[0], 5)});
  for (int i = 0; i < 19; ++i) {
    in.InsertAll({Record(Ethernet(0x0806, Pattern(28, i)), 100 + i)});
    in.Read();
  }
  EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, 1u) << "the fragment is still held";
  in.InsertAll({Record(Ethernet(0x0806, Pattern(28)), 200)});
  EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, 3u);
  const auto out = in.Read();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].bytes, Record(f[0], 5)) << "unchanged, under its own timestamp";
}

TEST(PretraxReassembly, HeldPiecesCountTowardsTheDepthWithoutBlockingReads) {
  Instance in(PRETRAX_UDP, 1, 5);
  std::vector<Bytes> firsts;
  for (uint16_t id = 0; id < 5; ++id) firsts.push_back(Record(IpFragments(2, id)[0], 10 + id));
  in.InsertAll(firsts);
  EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, 0u);
  const Bytes next = Record(Ethernet(0x0806, Pattern(28)), 50);
  uint64_t n = 1;
  EXPECT_EQ(in.Insert(next, &n), PRETRAX_BUFFER_FULL);
  EXPECT_EQ(n, 0u);
  // The oldest groups went to the queue so that a read makes room.
  auto out = in.Read();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, firsts[0]);
  EXPECT_EQ(in.Insert(next, &n), PRETRAX_NO_ERROR);
  EXPECT_EQ(in.Read().size(), 1u);
  out = in.Drain();
  EXPECT_EQ(out.size(), 5u) << "three held, one queued, the end of stream";
}

}  // namespace
