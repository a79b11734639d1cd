#pragma once
// One CAN / CAN FD channel of the bus access library, owned on behalf of one
// component: registration, configuration, receive queue, transmission and
// the replay transmit buffer.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "bus/vt_bus_error.h"
#include "bus/vt_can_api_wrapper_settings.h"
#include "orda_can_frames.h"
#include "orda_string.h"
#include "vtbusapi/vtbusapi.h"

class VtCanApiWrapper {
public:
    static constexpr std::uint32_t MessageBufferSize = 32768;
    static constexpr std::uint32_t VtBufferSize = 65536;
    static constexpr std::uint32_t ReplayRecordHeadSize = 64;
    static constexpr std::uint32_t ClassicClockFrequency = 8000000;
    static constexpr std::uint32_t FdClockFrequency = 80000000;
    static constexpr std::int32_t RxQueueOverflowVendorCode = 128;

    explicit VtCanApiWrapper(const VtCanApiWrapperSettings& settings);
    VtCanApiWrapper(const VtCanApiWrapper&) = delete;
    VtCanApiWrapper& operator=(const VtCanApiWrapper&) = delete;
    ~VtCanApiWrapper();

    // --- class-wide -------------------------------------------------------
    static VtBusError RetrieveAvailableChannelsVector(const char* ip, bool isSynchronized,
                                                      std::vector<VTSCanChannelInfo>* out);
    static std::uint32_t RetrieveChannelCount(const char* ip);
    static ORDAStackedString<40> GetChannelId(const VTSCanChannelInfo& info);
    static ORDAStackedString<40> GetChannelDescription(const VTSCanChannelInfo& info,
                                                       ORDAStackedString<40> channelId);

    static ORDATimestamp CopyFrameMon(ORDACANFrame& dst, const VTSCanMessage& src, ORDATimestamp tsOffset);
    static ORDATimestamp CopyFrameMon(ORDACANFDFrame& dst, const VTSCanMessage& src, ORDATimestamp tsOffset);
    static ORDATimestamp CopyFrameMon(ORDACANUniFrame& dst, const VTSCanMessage& src, ORDATimestamp tsOffset);
    static void CopyFrame(VTSCanMessage& dst, const ORDACANFrame& src);
    static void CopyFrame(VTSCanMessage& dst, const ORDACANFDFrame& src);
    static void CopyFrame(VTSCanMessage& dst, const ORDACANUniFrame& src);

    static std::int8_t FrameDlcToDataLength(std::uint16_t dlc);
    static std::uint16_t DataLengthToFrameDlc(std::int8_t length);

    static std::string StringFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // Raises std::runtime_error unless code is 0 or a receive queue overflow
    // (which is answered by flushing the queue).
    static void RetrieveErrMessage(const std::string& functionName, int code, int handle);

    // Hardware ticks <-> microseconds at the resolution of the last
    // successful initialisation (exact for any resolution).
    static std::uint64_t TicksToMicroseconds(std::uint64_t ticks);
    static std::uint64_t MicrosecondsToTicks(std::uint64_t microseconds);
    static std::uint64_t GetTimeConvCoefficient() { return m_timeConvCoefficient; }

    // --- per channel ------------------------------------------------------
    VtBusError Initialize(bool* highSpeedCapability);
    bool GetIsInitialized() const { return m_isInitialized; }

    std::uint32_t ReadReceiveQueue();
    VTSCanMessage* GetCanChannelMsgBuffer() { return m_canMsgBuffer.get(); }
    // timeout in microseconds; extraEvent is accepted and not used.
    bool WaitForReceiveEvent(std::uint32_t timeout, void* extraEvent);

    VtBusError TransmitMessages(VTSCanMessage* messages, std::uint32_t count);

    VtBusError CopyFrame2(const ORDACANFrame& frame);
    VtBusError CopyFrame2(const ORDACANFDFrame& frame);
    VtBusError CopyFrame2(const ORDACANUniFrame& frame);
    VtBusError TransmitMessagesPushing(bool endOfReplay);
    // Only with m_mutex held.
    VtBusError Transmit();
    // Takes m_mutex. Null when it gave up (stream failure, owner dying,
    // channel not initialised); the reason is then LastInsertError().
    VTSCanReplayData* InsertMessageHeader(bool isEndOfFrame, std::uint16_t dlc);
    const VtBusError& LastInsertError() const { return m_lastInsertError; }
    bool IsTransmitFramesAllowed() const { return m_txFramesAllowed; }
    std::uint32_t GetTxBufferSize() const { return m_txBufferSize; }

    // Asked while the replay buffer waits for the library to take data.
    void SetOwnerDyingCallback(std::function<bool()> isOwnerDying) { m_isOwnerDying = std::move(isOwnerDying); }

    VtBusError SetLogStartTime(std::int64_t offset);
    VtBusError SetReplayStartTime(std::uint64_t startTime, std::uint64_t offset);
    VtBusError SetReplayStopTime(std::uint64_t stopTime);
    void SetReplayEofTime(std::uint64_t time) { m_replayEofTime = time; }
    std::uint64_t GetReplayEofTime() const { return m_replayEofTime; }
    std::int64_t GetLogStartTime() const { return m_logStartTime; }

    VtBusError GetHardwareTime(std::uint64_t* microseconds);
    VtBusError GetHardwareTimeResolution(std::uint64_t* ticksPerSecond);
    VtBusError GetReplayStateInfo(VtBusReplayStateInfo* info);

    std::string GetErrorMessage(const VtBusError& error);

    VTSCanChannelInfo* GetCanChannelInfo() { return m_canChannelCount ? m_canChannelInfo.get() : nullptr; }
    std::uint32_t GetCanChannelCount() const { return m_canChannelCount; }
    bool IsVirtualChannel() const;
    VTTCanHandle GetHandle() const { return m_canChannelHandle; }
    const VtCanApiWrapperSettings& GetSettings() const { return m_settings; }
    std::uint32_t GetInitialBaudRate() const { return m_initialBaudRate; }

    // Steps of initialisation and teardown.
    VtBusError RegInitActivate(bool* highSpeedCapability);
    VtBusError RegisterCanChannel(bool* highSpeedCapability);
    VtBusError InitializeInterface();
    VtBusError GetBaudRate(std::uint32_t* baudRate);
    VtBusError SetBaudRate();
    VtBusError SetAcceptance(std::uint32_t standardCode, std::uint32_t standardMask, std::uint32_t extendedCode,
                             std::uint32_t extendedMask);
    VtBusError ConfigureReceiveMode();
    VtBusError ActivateChannel();
    VtBusError DeactivateChannel();
    VtBusError UnregisterCanInterface();
    void RetrieveAvailableChannelsPtr(std::uint32_t count, const char* ip);

private:
    struct EventDeleter {
        void operator()(EventHandle* event) const;
    };

    const VTSCanChannelInfo* FindConfiguredChannel() const;
    VTSCanReplayData* InsertMessageHeader(std::unique_lock<std::mutex>& lock, bool isEndOfFrame, std::uint16_t dlc);
    // Streams until `needed` more bytes fit; false (with m_lastInsertError) when giving up.
    bool MakeRoom(std::unique_lock<std::mutex>& lock, std::uint32_t needed);
    template <class Frame>
    VtBusError AppendReplayRecord(const Frame& frame, std::uint32_t canId, VTECanIdentifierType format,
                                  std::uint32_t flags);
    void LogMessages(std::uint32_t count);
    void ReleaseReceiveEvent(bool libraryLetGo);

    // Written by initialisations while other wrappers' threads convert.
    static std::atomic<std::uint64_t> m_timeConvCoefficient;
    static std::atomic<std::uint64_t> m_timeResolution;

    std::mutex m_mutex;
    VtCanApiWrapperSettings m_settings;
    bool m_isInitialized = false;
    std::uint32_t m_initialBaudRate = 0;
    std::uint32_t m_clockFrequency = 0;
    VTSCanBitTimingParameters m_bitTimingParameters{};
    std::unique_ptr<VTSCanChannelInfo[]> m_canChannelInfo;
    std::uint32_t m_canChannelCount = 0;
    VTTCanHandle m_canChannelHandle = VTCAN_INVALID_HANDLE;
    std::unique_ptr<VTSCanMessage[]> m_canMsgBuffer;
    std::FILE* m_ascFile = nullptr;
    std::string m_logFilename;
    std::unique_ptr<EventHandle, EventDeleter> m_receiveEvent;
    std::unique_ptr<std::uint8_t[]> m_txBuffer;
    std::uint32_t m_txBufferSize = 0;
    bool m_txFramesAllowed = true;
    std::uint32_t m_lastRecordSize = 0;
    VtBusError m_lastInsertError;
    std::function<bool()> m_isOwnerDying;
    std::int64_t m_logStartTime = 0;
    std::uint64_t m_replayEofTime = 0;
};
