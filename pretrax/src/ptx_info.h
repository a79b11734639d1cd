// A pre-processing instance: takes replay records, holds back the pieces of
// fragmented IPv4 datagrams or SOME/IP-TP messages until their group is
// complete, and hands records back in timestamp order.
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "pretrax.h"
#include "ptx_containers.h"
#include "ptx_output_queue.h"

namespace ptx {

// (identification, destination) for IPv4, (service << 48 | method << 32 |
// client, destination) for SOME/IP-TP.
struct GroupKey {
  uint64_t id;
  std::array<uint8_t, 4> destination;
  auto operator<=>(const GroupKey&) const = default;
};

struct Piece {
  uint64_t end;
  ContainerPtr container;
};

// A datagram or message being collected. Pieces never overlap and never
// reach past the end once the last piece is known, so the group is complete
// exactly when the bytes held add up to that end.
struct FragmentGroup {
  uint16_t id = 0;  // TP session id
  uint64_t received = 0;
  uint64_t expected = 0;
  bool haveEnd = false;
  uint64_t endOffset = 0;  // offset of the piece that closed the group
  uint64_t firstRecord = 0;
  std::map<uint64_t, Piece> pieces;
};
using IPFrame = FragmentGroup;
using TPFrame = FragmentGroup;

}  // namespace ptx

struct PTXInfo {
  static constexpr uint64_t kMagic = 0xBEEEEEEA;

  PTXInfo(uint64_t minFillLevel, uint64_t maxBufferDepth, PTXProtocolType protocol);
  ~PTXInfo();

  bool checkDataIntegrity() const { return m_magic == kMagic; }
  // The queue together with the pieces held back has reached the maximum
  // depth. When nothing could be read then, the oldest groups are released
  // unchanged so that the caller can drain the queue.
  bool IsFull();

  PTXErrorCode ReceiveValidFrame(const uint8_t* data, uint64_t size, bool* endOfStream,
                                 uint64_t* insertedBytes);
  uint64_t WriteFramesIntoBuffer(uint8_t* buffer, uint64_t capacity, bool singleFrame);
  void Flush();
  PTXStatistics Statistics() const;

  uint64_t m_magic = kMagic;
  std::map<ptx::GroupKey, ptx::TPFrame> m_tpFrames;
  ptx::TimedContainers m_tpOutput;
  std::map<ptx::GroupKey, ptx::IPFrame> m_ipFrames;
  ptx::TimedContainers m_ipOutput;
  ptx::OutputQueue m_outputQueue;
  uint64_t numOfProcessedFrames = 0;
  uint64_t numOfTotalFrames = 0;
  uint64_t numOfProcessedBytes = 0;
  uint64_t numOfBytesInOutputQueue = 0;
  PTXProtocolType m_protocolType;
  uint64_t m_minFillLevel;
  uint64_t m_maxBufferDepth;
  bool m_endOfStream = false;

 private:
  using Groups = std::map<ptx::GroupKey, ptx::FragmentGroup>;

  void QueueNormally(ptx::ContainerPtr c);
  bool ReassembleIPFragments(ptx::ContainerPtr& c);
  bool ReassembleTPFrame(ptx::ContainerPtr& c, const ptx::SOMEIPMessage& message);
  bool AddPiece(Groups& groups, ptx::TimedContainers& output, const ptx::GroupKey& key,
                uint16_t session, uint64_t offset, uint64_t end, bool last, uint64_t limit,
                ptx::ContainerPtr& c);
  void ToOutputQueue(ptx::TimedContainers& source);
  void ReleaseUnchanged(Groups& groups, Groups::iterator it);
  void ReleaseAll();
  void ReleaseOldest();
  void AgeGroups();
  Groups& ActiveGroups() { return m_protocolType == PRETRAX_SOMEIP ? m_tpFrames : m_ipFrames; }

  uint64_t m_heldFrames = 0;
  uint64_t m_recordCount = 0;                     // frame records taken in or dropped
  std::map<uint64_t, ptx::GroupKey> m_groupAges;  // first record of each group
};
