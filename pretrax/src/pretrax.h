/* Replay pre-processing library: holds back IPv4 fragments and SOME/IP-TP
 * segments until their group is complete and hands replay records back in
 * timestamp order. Instances are not thread-safe; serialise calls per handle. */
#ifndef PRETRAX_H
#define PRETRAX_H

#include <stdbool.h>
#include <stdint.h>

#if defined(__GNUC__)
#define PRETRAX_API __attribute__((visibility("default")))
#else
#define PRETRAX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef enum PTXErrorCode {
  PRETRAX_NO_ERROR = 0,
  PRETRAX_NULL_POINTER_ERROR = 1,
  PRETRAX_NOT_SUPPORTED_PROTOCOL = 2,
  PRETRAX_INVALID_MIN_FILL_LEVEL = 3,
  PRETRAX_NOT_REACHED_MIN_FILL_LEVEL = 4,
  PRETRAX_INVALID_MAX_BUFFER_DEPTH = 5,
  PRETRAX_BUFFER_FULL = 6,
  PRETRAX_MIN_FILL_LEVEL_EQUAL_MAX_BUFFER_DEPTH = 7,
  PRETRAX_CORRUPTED_DATA = 8,
  PRETRAX_INCOMPLETE_FRAME = 9
} PTXErrorCode;

typedef enum PTXProtocolType {
  PRETRAX_UNDEFINED_PROTOCOL = 0,
  PRETRAX_SOMEIP = 1,
  PRETRAX_TCP = 2,
  PRETRAX_UDP = 3,
  PRETRAX_GENERIC = 4
} PTXProtocolType;

typedef struct PTXInfo* PTXHandle;

typedef struct PTXStatistics {
  uint64_t numOfTotalFrames;
  uint64_t numOfProcessedFrames;
  uint64_t numOfProcessedBytes;
  uint64_t numOfFramesInOutputQueue;
  uint64_t numOfBytesInOutputQueue;
  uint64_t numOfFramesReadyToRead;
} PTXStatistics;

PRETRAX_API PTXErrorCode PTX_CreateHandle(PTXHandle* handle, uint64_t minFillLevel,
                                          uint64_t maxBufferDepth, PTXProtocolType protocol);
PRETRAX_API PTXErrorCode PTX_DestroyHandle(PTXHandle* handle);
PRETRAX_API PTXErrorCode PTX_InsertFrames(PTXHandle handle, uint8_t* data, uint64_t size,
                                          bool* endOfStream, uint64_t* insertedBytes);
PRETRAX_API PTXErrorCode PTX_GetFrames(PTXHandle handle, uint8_t* buffer, uint64_t capacity,
                                       bool singleFrame, uint64_t* writtenBytes);
PRETRAX_API PTXErrorCode PTX_FlushBuffers(PTXHandle handle);
PRETRAX_API PTXErrorCode PTX_GetStatistics(PTXHandle handle, PTXStatistics* statistics);

#ifdef __cplusplus
}
#endif

#endif
