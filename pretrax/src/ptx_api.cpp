// The six exports: argument checks in the documented order, then the instance.
#include "pretrax.h"
#include "ptx_info.h"

namespace {
bool Intact(PTXHandle h) { return h->checkDataIntegrity(); }
}  // namespace

extern "C" {

PRETRAX_API PTXErrorCode PTX_CreateHandle(PTXHandle* handle, uint64_t minFillLevel,
                                          uint64_t maxBufferDepth, PTXProtocolType protocol) {
  if (!handle) return PRETRAX_NULL_POINTER_ERROR;
  if (minFillLevel == 0) return PRETRAX_INVALID_MIN_FILL_LEVEL;
  if (minFillLevel > maxBufferDepth)
    return maxBufferDepth == 0 ? PRETRAX_INVALID_MAX_BUFFER_DEPTH : PRETRAX_INVALID_MIN_FILL_LEVEL;
  if (minFillLevel == maxBufferDepth) return PRETRAX_MIN_FILL_LEVEL_EQUAL_MAX_BUFFER_DEPTH;
  if (protocol < PRETRAX_SOMEIP || protocol > PRETRAX_GENERIC) {
    *handle = nullptr;
    return PRETRAX_NOT_SUPPORTED_PROTOCOL;
  }
  *handle = new PTXInfo(minFillLevel, maxBufferDepth, protocol);
  return PRETRAX_NO_ERROR;
}

PRETRAX_API PTXErrorCode PTX_DestroyHandle(PTXHandle* handle) {
  if (!handle || !*handle) return PRETRAX_NULL_POINTER_ERROR;
  // Memory that is not a live instance is neither changed nor released.
  const bool intact = Intact(*handle);
  if (intact) delete *handle;
  *handle = nullptr;
  return intact ? PRETRAX_NO_ERROR : PRETRAX_CORRUPTED_DATA;
}

PRETRAX_API PTXErrorCode PTX_InsertFrames(PTXHandle handle, uint8_t* data, uint64_t size,
                                          bool* endOfStream, uint64_t* insertedBytes) {
  if (!endOfStream || !insertedBytes) return PRETRAX_NULL_POINTER_ERROR;
  *insertedBytes = 0;
  *endOfStream = false;
  if (!handle) return PRETRAX_NULL_POINTER_ERROR;
  if (!Intact(handle)) return PRETRAX_CORRUPTED_DATA;
  if (handle->IsFull()) return PRETRAX_BUFFER_FULL;
  if (!data || size == 0) return PRETRAX_NULL_POINTER_ERROR;
  return handle->ReceiveValidFrame(data, size, endOfStream, insertedBytes);
}

PRETRAX_API PTXErrorCode PTX_GetFrames(PTXHandle handle, uint8_t* buffer, uint64_t capacity,
                                       bool singleFrame, uint64_t* writtenBytes) {
  if (!handle || !writtenBytes) return PRETRAX_NULL_POINTER_ERROR;
  if (!Intact(handle)) return PRETRAX_CORRUPTED_DATA;
  *writtenBytes = 0;
  if (!buffer || capacity == 0) return PRETRAX_NULL_POINTER_ERROR;
  if (handle->m_outputQueue.size() < handle->m_minFillLevel && !handle->m_endOfStream)
    return PRETRAX_NOT_REACHED_MIN_FILL_LEVEL;
  *writtenBytes = handle->WriteFramesIntoBuffer(buffer, capacity, singleFrame);
  return PRETRAX_NO_ERROR;
}

PRETRAX_API PTXErrorCode PTX_FlushBuffers(PTXHandle handle) {
  if (!handle) return PRETRAX_NO_ERROR;
  if (!Intact(handle)) return PRETRAX_CORRUPTED_DATA;
  handle->Flush();
  return PRETRAX_NO_ERROR;
}

PRETRAX_API PTXErrorCode PTX_GetStatistics(PTXHandle handle, PTXStatistics* statistics) {
  if (!handle || !statistics) return PRETRAX_NULL_POINTER_ERROR;
  if (!Intact(handle)) return PRETRAX_CORRUPTED_DATA;
  *statistics = handle->Statistics();
  return PRETRAX_NO_ERROR;
}

}  // extern "C"
