// Real traffic: captures of fragmented UDP datagrams and SOME/IP-TP messages
// (made by scripts/pretrax_make_captures.py, checked against tshark's own
// reassembly) replayed through an instance set up as the Ethernet wrapper
// sets it up. Exactly tshark's groups come out together, pieces in offset
// order under the first piece's timestamp, flag 4 on all but the first.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "ptx_fixture.h"

using namespace ptxtest;

namespace {

struct Packet {
  uint64_t timestamp;
  Bytes frame;
};

std::vector<Packet> ReadPcap(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  Bytes all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_GE(all.size(), 24u) << path;
  EXPECT_EQ(Le32(all.data()), 0xA1B2C3D4u) << "microsecond pcap, little-endian";
  std::vector<Packet> packets;
  for (size_t at = 24; at + 16 <= all.size();) {
    const uint64_t ts = uint64_t(Le32(&all[at])) * 1000000 + Le32(&all[at + 4]);
    const uint32_t caplen = Le32(&all[at + 8]);
    at += 16;
    if (at + caplen > all.size()) break;
    packets.push_back({ts, Bytes(all.begin() + at, all.begin() + at + caplen)});
    at += caplen;
  }
  return packets;
}

struct CaptureCase {
  const char* name;
  bool readAsItGoes;  // as the wrapper does, or everything in one buffer then drained
};

class Capture : public testing::TestWithParam<CaptureCase> {};

TEST_P(Capture, ReleasesExactlyTsharksGroups) {
  const std::string base = std::string(PTX_TEST_DATA_DIR) + "/" + GetParam().name;
  const std::vector<Packet> packets = ReadPcap(base + ".pcap");
  std::ifstream js(base + ".json");
  const nlohmann::json expected = nlohmann::json::parse(js);
  ASSERT_EQ(packets.size(), expected["frames"].get<size_t>());
  const PTXProtocolType protocol = expected["protocol"] == "udp" ? PRETRAX_UDP : PRETRAX_SOMEIP;

  std::vector<Bytes> records;
  for (const Packet& p : packets) records.push_back(Record(p.frame, p.timestamp));

  // The expected output: every frame under its own timestamp, except group
  // members, which follow their offset-0 piece.
  struct Expect {
    uint64_t key;
    size_t rank;
    size_t frame;
    uint32_t flags;
  };
  std::vector<Expect> want;
  std::vector<bool> grouped(packets.size(), false);
  for (const auto& g : expected["groups"]) {
    const std::vector<size_t> frames = g.get<std::vector<size_t>>();
    for (size_t k = 0; k < frames.size(); ++k) {
      want.push_back({packets[frames[0] - 1].timestamp, k, frames[k] - 1, k == 0 ? 0u : 4u});
      grouped[frames[k] - 1] = true;
    }
  }
  for (size_t i = 0; i < packets.size(); ++i)
    if (!grouped[i]) want.push_back({packets[i].timestamp, 0, i, 0});
  std::sort(want.begin(), want.end(), [](const Expect& a, const Expect& b) {
    return a.key != b.key ? a.key < b.key : a.rank < b.rank;
  });

  Instance in(protocol, 10, 1000);
  std::vector<OutRecord> out;
  if (GetParam().readAsItGoes) {
    for (const Bytes& r : records) {
      in.InsertAll({r});
      if (in.Stats().numOfFramesInOutputQueue >= 10)
        for (OutRecord& o : in.Read()) out.push_back(std::move(o));
    }
  } else {
    uint64_t n = 0;
    ASSERT_EQ(in.Insert(Concat(records), &n), PRETRAX_NO_ERROR);
    ASSERT_EQ(n, Concat(records).size());
  }
  for (OutRecord& o : in.Drain()) out.push_back(std::move(o));

  ASSERT_EQ(out.size(), want.size() + 1);
  EXPECT_EQ(out.back().kind, 0xF000u);
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "output " << i << ", frame " << want[i].frame + 1);
    Bytes expect = records[want[i].frame];
    Le32At(expect, 40, want[i].flags);
    EXPECT_EQ(out[i].bytes, expect);
  }
  const PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfTotalFrames, packets.size());
}

INSTANTIATE_TEST_SUITE_P(Traffic, Capture,
                         testing::Values(CaptureCase{"ip_fragments", true},
                                         CaptureCase{"ip_fragments", false},
                                         CaptureCase{"someip_tp", true},
                                         CaptureCase{"someip_tp", false}),
                         [](const auto& info) {
                           return std::string(info.param.name) +
                                  (info.param.readAsItGoes ? "_read_as_it_goes" : "_one_buffer");
                         });

}  // namespace
