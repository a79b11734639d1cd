// The six exports: status codes, their check order and the statistics.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>

#include "ptx_fixture.h"
#include "ptx_info.h"

using namespace ptxtest;

namespace {

struct CreateCase {
  uint64_t minFill, maxDepth;
  int protocol;
  PTXErrorCode status;
};

TEST(PretraxCreate, ChecksLimitsAndProtocolInOrder) {
  const CreateCase cases[] = {
      {10, 1000, PRETRAX_SOMEIP, PRETRAX_NO_ERROR},
      {10, 1000, PRETRAX_TCP, PRETRAX_NO_ERROR},
      {10, 1000, PRETRAX_UDP, PRETRAX_NO_ERROR},
      {10, 1000, PRETRAX_GENERIC, PRETRAX_NO_ERROR},
      {0, 1000, PRETRAX_SOMEIP, PRETRAX_INVALID_MIN_FILL_LEVEL},
      {10, 0, PRETRAX_SOMEIP, PRETRAX_INVALID_MAX_BUFFER_DEPTH},
      {20, 10, PRETRAX_SOMEIP, PRETRAX_INVALID_MIN_FILL_LEVEL},
      {10, 10, PRETRAX_SOMEIP, PRETRAX_MIN_FILL_LEVEL_EQUAL_MAX_BUFFER_DEPTH},
      {0, 0, 9, PRETRAX_INVALID_MIN_FILL_LEVEL},  // limits come before the protocol
      {10, 1000, 5, PRETRAX_NOT_SUPPORTED_PROTOCOL},
      {10, 1000, 0, PRETRAX_NOT_SUPPORTED_PROTOCOL},
  };
  for (const CreateCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.minFill << "/" << c.maxDepth << "/" << c.protocol);
    int sentinel = 0;
    PTXHandle h = reinterpret_cast<PTXHandle>(&sentinel);
    EXPECT_EQ(PTX_CreateHandle(&h, c.minFill, c.maxDepth, PTXProtocolType(c.protocol)), c.status);
    if (c.status == PRETRAX_NO_ERROR) {
      ASSERT_NE(h, nullptr);
      EXPECT_EQ(PTX_DestroyHandle(&h), PRETRAX_NO_ERROR);
      EXPECT_EQ(h, nullptr);
    } else if (c.status == PRETRAX_NOT_SUPPORTED_PROTOCOL) {
      EXPECT_EQ(h, nullptr);
    } else {
      EXPECT_EQ(h, reinterpret_cast<PTXHandle>(&sentinel)) << "left untouched";
    }
  }
  EXPECT_EQ(PTX_CreateHandle(nullptr, 10, 1000, PRETRAX_SOMEIP), PRETRAX_NULL_POINTER_ERROR);
}

TEST(PretraxDestroy, SecondCallAndNullArguments) {
  PTXHandle h = nullptr;
  ASSERT_EQ(PTX_CreateHandle(&h, 10, 1000, PRETRAX_UDP), PRETRAX_NO_ERROR);
  EXPECT_EQ(PTX_DestroyHandle(&h), PRETRAX_NO_ERROR);
  EXPECT_EQ(PTX_DestroyHandle(&h), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_DestroyHandle(nullptr), PRETRAX_NULL_POINTER_ERROR);
}

TEST(PretraxDestroy, WrongMagicTouchesAndFreesNothing) {
  // Memory shaped like an instance but not one: it must survive unchanged
  // (ASan reports a free of it, or of an instance destroyed twice).
  alignas(PTXInfo) unsigned char fake[sizeof(PTXInfo)];
  for (size_t i = 0; i < sizeof fake; ++i) fake[i] = uint8_t(i * 31 + 1);
  unsigned char before[sizeof fake];
  std::memcpy(before, fake, sizeof fake);
  PTXHandle h = reinterpret_cast<PTXHandle>(fake);
  EXPECT_EQ(PTX_DestroyHandle(&h), PRETRAX_CORRUPTED_DATA);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(std::memcmp(fake, before, sizeof fake), 0);

  PTXHandle dead = nullptr;
  ASSERT_EQ(PTX_CreateHandle(&dead, 1, 10, PRETRAX_UDP), PRETRAX_NO_ERROR);
  dead->m_magic = 0x1234;
  PTXHandle alias = dead;
  EXPECT_EQ(PTX_DestroyHandle(&alias), PRETRAX_CORRUPTED_DATA);
  EXPECT_EQ(dead->m_magic, 0x1234u);
  dead->m_magic = PTXInfo::kMagic;
  EXPECT_EQ(PTX_DestroyHandle(&dead), PRETRAX_NO_ERROR);
}

TEST(PretraxExports, WrongMagicIsReportedByEveryCall) {
  Instance in(PRETRAX_UDP, 1, 10);
  in.InsertAll({Record(Ethernet(0x0806, Pattern(28)), 5)});
  const PTXStatistics before = in.Stats();
  in.h->m_magic = 0;
  Bytes buf(256);
  bool eos = true;
  uint64_t n = 7;
  PTXStatistics s{};
  EXPECT_EQ(PTX_InsertFrames(in.h, buf.data(), buf.size(), &eos, &n), PRETRAX_CORRUPTED_DATA);
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(eos);
  EXPECT_EQ(PTX_GetFrames(in.h, buf.data(), buf.size(), false, &n), PRETRAX_CORRUPTED_DATA);
  EXPECT_EQ(PTX_FlushBuffers(in.h), PRETRAX_CORRUPTED_DATA);
  EXPECT_EQ(PTX_GetStatistics(in.h, &s), PRETRAX_CORRUPTED_DATA);
  in.h->m_magic = PTXInfo::kMagic;
  EXPECT_EQ(in.Stats().numOfFramesInOutputQueue, before.numOfFramesInOutputQueue);
}

TEST(PretraxExports, NullArguments) {
  Instance in(PRETRAX_UDP, 1, 10);
  Bytes buf(64);
  bool eos = true;
  uint64_t n = 5;
  EXPECT_EQ(PTX_InsertFrames(in.h, buf.data(), buf.size(), nullptr, &n), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_InsertFrames(in.h, buf.data(), buf.size(), &eos, nullptr), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_InsertFrames(nullptr, buf.data(), buf.size(), &eos, &n), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(eos);
  EXPECT_EQ(PTX_InsertFrames(in.h, nullptr, 64, &eos, &n), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_InsertFrames(in.h, buf.data(), 0, &eos, &n), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_GetFrames(nullptr, buf.data(), 64, false, &n), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_GetFrames(in.h, buf.data(), 64, false, nullptr), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_GetFrames(in.h, nullptr, 64, false, &n), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_GetFrames(in.h, buf.data(), 0, false, &n), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_FlushBuffers(nullptr), PRETRAX_NO_ERROR);
  PTXStatistics s;
  EXPECT_EQ(PTX_GetStatistics(nullptr, &s), PRETRAX_NULL_POINTER_ERROR);
  EXPECT_EQ(PTX_GetStatistics(in.h, nullptr), PRETRAX_NULL_POINTER_ERROR);
}

TEST(PretraxExports, ShortBufferTakesNothing) {
  Instance in(PRETRAX_GENERIC, 1, 10);
  uint64_t n = 1;
  EXPECT_EQ(in.Insert(Bytes(47, 0), &n), PRETRAX_NO_ERROR);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(in.Stats().numOfTotalFrames, 0u);
}

TEST(PretraxGetFrames, NewInstanceHasNotReachedTheFillLevel) {
  Instance in(PRETRAX_SOMEIP, 10, 1000);
  in.Read(1024, false, PRETRAX_NOT_REACHED_MIN_FILL_LEVEL);
  std::vector<Bytes> records;
  for (int i = 0; i < 3; ++i) records.push_back(Record(Ethernet(0x0806, Pattern(28, i)), i));
  in.InsertAll(records);
  in.Read(1024, false, PRETRAX_NOT_REACHED_MIN_FILL_LEVEL);
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out.back().kind, 0xF000u);
}

TEST(PretraxInsert, FullQueueRefusesAtOnce) {
  Instance in(PRETRAX_GENERIC, 10, 1000);
  Bytes many;
  for (int i = 0; i < 1000; ++i) {
    Bytes r = Record(Ethernet(0x0806, Pattern(28, i)), i);
    many.insert(many.end(), r.begin(), r.end());
  }
  uint64_t n = 0;
  ASSERT_EQ(in.Insert(many, &n), PRETRAX_NO_ERROR);
  ASSERT_EQ(n, many.size());
  const Bytes one = Record(Ethernet(0x0806, Pattern(28)), 5000);
  n = 99;
  EXPECT_EQ(in.Insert(one, &n), PRETRAX_BUFFER_FULL);
  EXPECT_EQ(n, 0u);
  const PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfFramesInOutputQueue, 1000u);
  EXPECT_EQ(s.numOfTotalFrames, 1000u);
  EXPECT_EQ(s.numOfFramesReadyToRead, 990u);
  EXPECT_EQ(s.numOfBytesInOutputQueue, many.size());
}

TEST(PretraxInsert, QueueFillingUpInsideABufferRefusesTheRest) {
  Instance in(PRETRAX_GENERIC, 1, 4);
  std::vector<Bytes> records;
  for (int i = 0; i < 6; ++i) records.push_back(Record(Ethernet(0x0806, Pattern(28, i)), i));
  uint64_t n = 0;
  EXPECT_EQ(in.Insert(Concat(records), &n), PRETRAX_BUFFER_FULL);
  EXPECT_EQ(n, 4 * records[0].size());
  PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfFramesInOutputQueue, 4u);
  EXPECT_EQ(s.numOfTotalFrames, 6u) << "refused records are counted too";
  // Offered again while the queue is full: refused before anything is examined.
  EXPECT_EQ(in.Insert(Concat({records[4], records[5]}), &n), PRETRAX_BUFFER_FULL);
  EXPECT_EQ(in.Stats().numOfTotalFrames, 6u);
}

TEST(PretraxStatistics, CountersAndFlush) {
  Instance in(PRETRAX_UDP, 2, 100);
  Ipv4Opts o;
  o.mf = true;
  const Bytes frag = Record(Ethernet(0x0800, Ipv4(o, Pattern(64))), 1);
  const Bytes plain = Record(Ethernet(0x0806, Pattern(28)), 2);
  in.InsertAll({frag, plain, plain, plain});
  PTXStatistics s = in.Stats();
  EXPECT_EQ(s.numOfTotalFrames, 4u);
  EXPECT_EQ(s.numOfProcessedFrames, 1u);
  EXPECT_EQ(s.numOfProcessedBytes, frag.size());
  EXPECT_EQ(s.numOfFramesInOutputQueue, 3u);
  EXPECT_EQ(s.numOfBytesInOutputQueue, 3 * plain.size());
  EXPECT_EQ(s.numOfFramesReadyToRead, 1u);
  EXPECT_EQ(PTX_FlushBuffers(in.h), PRETRAX_NO_ERROR);
  s = in.Stats();
  EXPECT_EQ(s.numOfTotalFrames, 4u);
  EXPECT_EQ(s.numOfProcessedFrames + s.numOfProcessedBytes + s.numOfFramesInOutputQueue +
                s.numOfBytesInOutputQueue + s.numOfFramesReadyToRead,
            0u);
  // The held fragment went with the flush: an end of stream brings nothing.
  const auto out = in.Drain();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].kind, 0xF000u);
}

TEST(PretraxLibrary, SharedObjectExportsTheSixFunctions) {
  const char* dir = std::getenv("ORDAVIX_BUILD_DIR");
  if (!dir) GTEST_SKIP() << "ORDAVIX_BUILD_DIR not set";
  const std::string path = std::string(dir) + "/bin/libPretrax.so";
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : {"PTX_CreateHandle", "PTX_DestroyHandle", "PTX_InsertFrames",
                           "PTX_GetFrames", "PTX_FlushBuffers", "PTX_GetStatistics"})
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  EXPECT_EQ(dlsym(lib, "_ZN3ptx17EthernetContainerC1EPKvb"), nullptr) << "internals stay hidden";
  auto create = reinterpret_cast<decltype(&PTX_CreateHandle)>(dlsym(lib, "PTX_CreateHandle"));
  auto destroy = reinterpret_cast<decltype(&PTX_DestroyHandle)>(dlsym(lib, "PTX_DestroyHandle"));
  PTXHandle h = nullptr;
  EXPECT_EQ(create(&h, 10, 1000, PRETRAX_SOMEIP), PRETRAX_NO_ERROR);
  EXPECT_EQ(destroy(&h), PRETRAX_NO_ERROR);
  dlclose(lib);
}

}  // namespace
