#include "ptx_info.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

using namespace ptx;

namespace {
constexpr uint64_t kIpv4Limit = 65535;
constexpr uint64_t kNoLimit = UINT64_MAX;

GroupKey TpKey(const SOMEIPHeader& h, const std::array<uint8_t, 4>& destination) {
  return {uint64_t(h.serviceId) << 48 | uint64_t(h.methodId) << 32 | h.clientId, destination};
}
}  // namespace

PTXInfo::PTXInfo(uint64_t minFillLevel, uint64_t maxBufferDepth, PTXProtocolType protocol)
    : m_protocolType(protocol), m_minFillLevel(minFillLevel), m_maxBufferDepth(maxBufferDepth) {}

PTXInfo::~PTXInfo() {
  m_magic = 0;
  numOfProcessedFrames = numOfTotalFrames = numOfProcessedBytes = numOfBytesInOutputQueue = 0;
  m_minFillLevel = m_maxBufferDepth = 0;
}

bool PTXInfo::IsFull() {
  if (m_outputQueue.size() + m_heldFrames < m_maxBufferDepth) return false;
  while (m_outputQueue.size() <= m_minFillLevel && !ActiveGroups().empty()) ReleaseOldest();
  return true;
}

void PTXInfo::QueueNormally(ContainerPtr c) {
  numOfBytesInOutputQueue += c->GetRecordLength();
  const uint64_t ts = c->GetTimestamp();
  m_outputQueue.Insert(ts, std::move(c));
}

void PTXInfo::ToOutputQueue(TimedContainers& source) {
  while (!source.empty()) {
    auto it = source.begin();
    numOfBytesInOutputQueue += it->second->GetRecordLength();
    m_outputQueue.Insert(it->first, std::move(it->second));
    source.erase(it);
  }
}

void PTXInfo::ReleaseUnchanged(Groups& groups, Groups::iterator it) {
  for (auto& [offset, piece] : it->second.pieces) QueueNormally(std::move(piece.container));
  m_heldFrames -= it->second.pieces.size();
  m_groupAges.erase(it->second.firstRecord);
  groups.erase(it);
}

void PTXInfo::ReleaseOldest() {
  Groups& groups = ActiveGroups();
  auto age = m_groupAges.begin();
  ReleaseUnchanged(groups, groups.find(age->second));
}

void PTXInfo::ReleaseAll() {
  Groups& groups = ActiveGroups();
  while (!groups.empty()) ReleaseUnchanged(groups, groups.begin());
}

void PTXInfo::AgeGroups() {
  while (!m_groupAges.empty() && m_recordCount - m_groupAges.begin()->first >= m_maxBufferDepth)
    ReleaseOldest();
}

bool PTXInfo::AddPiece(Groups& groups, TimedContainers& output, const GroupKey& key,
                       uint16_t session, uint64_t offset, uint64_t end, bool last, uint64_t limit,
                       ContainerPtr& c) {
  auto it = groups.find(key);
  if (it != groups.end() && it->second.id != session) {
    // A new message on the same key: what was collected of the old one
    // leaves as it came.
    ReleaseUnchanged(groups, it);
    it = groups.end();
  }
  if (it == groups.end()) {
    it = groups.emplace(key, FragmentGroup{}).first;
    it->second.id = session;
    it->second.firstRecord = m_recordCount;
    m_groupAges.emplace(m_recordCount, key);
  }
  FragmentGroup& g = it->second;
  auto same = g.pieces.find(offset);
  const bool heldIsEnd = g.haveEnd && same != g.pieces.end() && g.endOffset == offset;

  bool contradicts = end > limit;
  // A repeat of the closing piece must close the group at the same place.
  if (same != g.pieces.end() && (heldIsEnd || last) &&
      (same->second.end != end || heldIsEnd != last))
    contradicts = true;
  if (last) {
    if (g.haveEnd && g.expected != end) contradicts = true;
    // Pieces never overlap, so the one with the highest offset reaches furthest.
    for (auto r = g.pieces.rbegin(); r != g.pieces.rend(); ++r) {
      if (r->first == offset) continue;
      if (r->second.end > end) contradicts = true;
      break;
    }
  } else if (g.haveEnd && end > g.expected) {
    contradicts = true;
  }
  auto next = g.pieces.upper_bound(offset);
  if (next != g.pieces.end() && next->first < end) contradicts = true;
  auto prev = g.pieces.lower_bound(offset);
  if (prev != g.pieces.begin() && std::prev(prev)->second.end > offset) contradicts = true;

  if (contradicts) {
    ReleaseUnchanged(groups, it);
    QueueNormally(std::move(c));
    return false;
  }

  if (same != g.pieces.end()) {
    // A repeated piece takes the place of the one held; the earlier copy is
    // passed on as it is.
    g.received -= same->second.end - offset;
    QueueNormally(std::move(same->second.container));
    g.pieces.erase(same);
    --m_heldFrames;
  }
  if (last) {
    g.haveEnd = true;
    g.expected = end;
    g.endOffset = offset;
  }
  g.received += end - offset;
  g.pieces.emplace(offset, Piece{end, std::move(c)});
  ++m_heldFrames;

  if (!g.haveEnd || g.received != g.expected) return false;

  const uint64_t ts = g.pieces.begin()->second.container->GetTimestamp();
  for (auto& [pieceOffset, piece] : g.pieces) {
    if (pieceOffset != 0) piece.container->AddFlags(kFlagFollowingPiece);
    output.emplace(ts, std::move(piece.container));
  }
  m_heldFrames -= g.pieces.size();
  m_groupAges.erase(g.firstRecord);
  groups.erase(it);
  return true;
}

bool PTXInfo::ReassembleIPFragments(ContainerPtr& c) {
  const GroupKey key{c->GetIPIdentificationId(), c->GetDstIpv4()};
  const uint64_t offset = c->GetIPOffset();
  const uint64_t end = offset + c->GetIPv4FragmentLength();
  const bool last = !c->IsMF();
  if (!AddPiece(m_ipFrames, m_ipOutput, key, 0, offset, end, last, kIpv4Limit, c)) return false;
  ToOutputQueue(m_ipOutput);
  return true;
}

bool PTXInfo::ReassembleTPFrame(ContainerPtr& c, const SOMEIPMessage& message) {
  const SOMEIPHeader& h = message.header;
  const GroupKey key = TpKey(h, c->GetDstIpv4());
  const uint64_t offset = uint64_t(h.tpOffset) * 16;
  const uint64_t end = offset + (uint64_t(h.length) - 12);
  const bool last = (h.tpFlags & 1) == 0;
  if (!AddPiece(m_tpFrames, m_tpOutput, key, h.sessionId, offset, end, last, kNoLimit, c))
    return false;
  ToOutputQueue(m_tpOutput);
  return true;
}

PTXErrorCode PTXInfo::ReceiveValidFrame(const uint8_t* data, uint64_t size, bool* endOfStream,
                                        uint64_t* insertedBytes) {
  if (m_endOfStream) Flush();
  if (size < kHeaderSize) return PRETRAX_NO_ERROR;

  std::vector<uint64_t> starts;
  for (uint64_t at = 0; size - at >= kHeaderSize;) {
    starts.push_back(at);
    BaseBusApiHeader h;
    std::memcpy(&h, data + at, kHeaderSize);
    at += RecordLength(h);
    if (at > size) break;
  }

  PTXErrorCode status = PRETRAX_NO_ERROR;
  for (size_t i = 0; i < starts.size(); ++i) {
    if (IsFull()) {
      numOfTotalFrames += starts.size() - i;
      *endOfStream = m_endOfStream;
      return PRETRAX_BUFFER_FULL;
    }
    const uint64_t at = starts[i];
    const uint8_t* record = data + at;
    BaseBusApiHeader h;
    std::memcpy(&h, record, kHeaderSize);
    const uint64_t length = RecordLength(h);

    if (h.kind == kEndOfStreamKind) {
      // Whatever is still held back leaves before the stream ends.
      ReleaseAll();
      m_endOfStream = true;
      auto eos = std::make_unique<EthernetContainer>(h);
      numOfBytesInOutputQueue += eos->GetRecordLength();
      m_outputQueue.PushEnd(std::move(eos));
      *insertedBytes += std::min(length, size - at);
      break;
    }

    ++numOfTotalFrames;
    ++m_recordCount;
    const uint64_t frameEnd = kHeaderSize + uint64_t(h.rawDataLength);
    if (length < frameEnd || std::max(length, frameEnd) > size - at) {
      status = PRETRAX_INCOMPLETE_FRAME;
      AgeGroups();
      continue;
    }

    auto c = std::make_unique<EthernetContainer>(record, true);
    bool dropped = false;
    if (m_protocolType == PRETRAX_UDP) {
      try {
        if (c->GetEtherType(true) == kEtherTypeIpv4 && c->GetL4Protocol(true) == kProtocolUdp &&
            c->IsIPFragmented() && !c->IsDF()) {
          numOfProcessedFrames += 1;
          numOfProcessedBytes += length;
          ReassembleIPFragments(c);
        }
      } catch (const std::runtime_error&) {
      }
    } else if (m_protocolType == PRETRAX_SOMEIP) {
      try {
        std::vector<SOMEIPMessage> messages = c->GetSOMEIPMessages();
        if (messages.empty()) {
          dropped = true;
        } else if (c->GetEtherType(true) == kEtherTypeIpv4 &&
                   c->GetL4Protocol(true) == kProtocolUdp &&
                   (messages.front().header.messageType & kSomeIpTpFlag)) {
          numOfProcessedFrames += 1;
          numOfProcessedBytes += length;
          ReassembleTPFrame(c, messages.front());
        }
      } catch (const std::runtime_error&) {
      }
    }
    if (dropped) {
      status = PRETRAX_INCOMPLETE_FRAME;
    } else {
      // Still here when no group kept it, or its parsing failed first.
      if (c) QueueNormally(std::move(c));
      *insertedBytes += length;
    }
    AgeGroups();
  }
  *endOfStream = m_endOfStream;
  return status;
}

uint64_t PTXInfo::WriteFramesIntoBuffer(uint8_t* buffer, uint64_t capacity, bool singleFrame) {
  if (m_outputQueue.empty()) return 0;
  int64_t ready = int64_t(m_outputQueue.size()) - int64_t(m_minFillLevel);
  uint64_t written = 0;
  if (singleFrame) {
    if (ready < 1 && !m_endOfStream) return 0;
    const uint64_t length = m_outputQueue.Front().GetRecordLength();
    if (length > capacity) return 0;
    m_outputQueue.Front().CopyReplayDataTo(buffer);
    m_outputQueue.PopFront();
    written = length;
  } else {
    while ((ready > 0 || m_endOfStream) && !m_outputQueue.empty()) {
      const EthernetContainer& c = m_outputQueue.Front();
      const uint64_t length = c.GetRecordLength();
      if (length > capacity - written) break;
      c.CopyReplayDataTo(buffer + written);
      m_outputQueue.PopFront();
      written += length;
      --ready;
    }
  }
  if (written > numOfBytesInOutputQueue)
    throw std::underflow_error("Incorrect length of the read frame.");
  numOfBytesInOutputQueue -= written;
  return written;
}

void PTXInfo::Flush() {
  m_tpFrames.clear();
  m_tpOutput.clear();
  m_ipFrames.clear();
  m_ipOutput.clear();
  m_outputQueue.Clear();
  m_groupAges.clear();
  m_heldFrames = 0;
  numOfProcessedFrames = numOfProcessedBytes = numOfBytesInOutputQueue = 0;
  m_endOfStream = false;
}

PTXStatistics PTXInfo::Statistics() const {
  PTXStatistics s{};
  s.numOfTotalFrames = numOfTotalFrames;
  s.numOfProcessedFrames = numOfProcessedFrames;
  s.numOfProcessedBytes = numOfProcessedBytes;
  s.numOfFramesInOutputQueue = m_outputQueue.size();
  s.numOfBytesInOutputQueue = numOfBytesInOutputQueue;
  const uint64_t queued = m_outputQueue.size();
  s.numOfFramesReadyToRead =
      m_endOfStream ? queued : (queued > m_minFillLevel ? queued - m_minFillLevel : 0);
  return s;
}
