#include "bus/vt_can_api_wrapper.h"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "bus/vt_bus_libraries.h"
#include "bus/vt_bus_report.h"
#include "orda_streamed_string.h"

std::atomic<std::uint64_t> VtCanApiWrapper::m_timeConvCoefficient{0};
std::atomic<std::uint64_t> VtCanApiWrapper::m_timeResolution{0};

namespace {
const char* const NotInstalledText = "Veltrac Bus API is not installed!";
const char* const NoMatchingChannelText = "No CAN channel matches the configured channel identifier!";
const char* const OwnerDyingText = "The component is shutting down; the replay buffer was not filled.";
const char* const NotInitializedText = "CAN Handle is not initialized";

constexpr std::uint64_t MicrosecondsPerSecond = 1000000;
constexpr std::size_t RecordDataOffset = offsetof(VTSCanReplayData, ui64StartOfMsgData);

// The table is either fully bound or fully null.
bool Bound() { return vtCanApi.VTCAN_GetErrorText != nullptr; }

VtBusError Result(std::int32_t code, const char* function,
                  VtBusErrorSeverity severity = VtBusErrorSeverity::Error)
{
    return VtBusError(code, function, severity);
}

VtBusError NotInstalled()
{
    return VtBusError(VtBusError::LibraryNotLoaded, "LoadCanLibrary", VtBusErrorSeverity::Error, NotInstalledText);
}

// Texts of the library's records need not be terminated.
std::string FieldText(const char (&field)[256]) { return std::string(field, strnlen(field, sizeof field)); }

VTSCanChannelsSearchAttribute IpAttribute(const char* ip)
{
    VTSCanChannelsSearchAttribute attribute{};
    attribute.tSearchAttributeType = VTCAN_SEARCH_ARRTIBUTE_TYPE_IP_V4_ADDRESS;
    if (ip) std::strncpy(attribute.szSearchAttribute, ip, sizeof attribute.szSearchAttribute - 1);
    return attribute;
}

std::string Join(const std::string& functionName, const char* text)
{
    return VtCanApiWrapper::StringFormat("%s: %s", functionName.c_str(), text ? text : "");
}

// A negative time wraps like the multiplication by an integer coefficient.
std::uint64_t SignedToTicks(std::int64_t microseconds)
{
    if (microseconds >= 0) return VtCanApiWrapper::MicrosecondsToTicks(static_cast<std::uint64_t>(microseconds));
    return 0 - VtCanApiWrapper::MicrosecondsToTicks(0 - static_cast<std::uint64_t>(microseconds));
}

int ClampLength(int length, int capacity) { return std::clamp(length, 0, capacity); }

// Events the library may still signal because unregistering failed; kept
// alive (and reachable) for the life of the process.
std::vector<std::unique_ptr<EventHandle>>& AbandonedEvents()
{
    static std::vector<std::unique_ptr<EventHandle>> events;
    return events;
}

template <class Frame>
ORDATimestamp FillReceived(Frame& dst, const VTSCanMessage& src, ORDATimestamp tsOffset)
{
    if (src.tCanIdentifierType == VTCAN_IDENTIFIER_TYPE_XTD) dst.SetExtendedId(src.ulCanIdentifier);
    else dst.SetStandardId(src.ulCanIdentifier);
    dst.SetTimestamp(tsOffset + static_cast<ORDATimestamp>(VtCanApiWrapper::TicksToMicroseconds(src.ui64Timestamp)));
    // An invalid DLC yields -1; a classic record takes at most 8 bytes.
    const int length = ClampLength(VtCanApiWrapper::FrameDlcToDataLength(src.usDLC),
                                   std::min<int>(sizeof dst.data, sizeof src.ucData));
    dst.SetDataLength(length);
    std::memcpy(dst.data, src.ucData, static_cast<std::size_t>(length));
    return dst.GetTimestamp();
}

void FillTransmitted(VTSCanMessage& dst, const std::uint8_t* data, int dataCapacity, int length)
{
    dst.tMessageType = VTCAN_MESSAGE_TYPE_DATA;
    dst.ui64Timestamp = 0;
    dst.usDLC = VtCanApiWrapper::DataLengthToFrameDlc(static_cast<std::int8_t>(length));
    const int n = ClampLength(length, std::min<int>(dataCapacity, sizeof dst.ucData));
    std::memcpy(dst.ucData, data, static_cast<std::size_t>(n));
}
}

void VtCanApiWrapper::EventDeleter::operator()(EventHandle* event) const
{
    VTEventHandleDestroy(event);
    delete event;
}

// ---------------------------------------------------------------- life

VtCanApiWrapper::VtCanApiWrapper(const VtCanApiWrapperSettings& settings)
    : m_settings(settings), m_canMsgBuffer(new VTSCanMessage[MessageBufferSize]())
{
    AcquireCanBinding();
    try {
        const std::uint32_t count = RetrieveChannelCount(m_settings.GetIp().c_str());
        if (count != 0) RetrieveAvailableChannelsPtr(count, m_settings.GetIp().c_str());
    } catch (...) {
        ReleaseCanBinding();
        throw;
    }
    if (m_canChannelCount == 0) return;
    if (m_settings.GetIsReplayChannel()) m_txBuffer.reset(new std::uint8_t[VtBufferSize]());
    m_logFilename = m_settings.GetLogFilename();
    if (m_settings.GetLogCan()) m_ascFile = std::fopen(m_logFilename.c_str(), "w");
}

VtCanApiWrapper::~VtCanApiWrapper()
{
    bool libraryLetGo = true;
    if (m_canChannelHandle != VTCAN_INVALID_HANDLE && Bound()) {
        if (m_isInitialized) DeactivateChannel();
        libraryLetGo = UnregisterCanInterface().errorCode == 0;
    }
    ReleaseReceiveEvent(libraryLetGo);
    ReleaseCanBinding();
    if (m_ascFile) std::fclose(m_ascFile);
}

void VtCanApiWrapper::ReleaseReceiveEvent(bool libraryLetGo)
{
    if (!m_receiveEvent) return;
    if (libraryLetGo) {
        m_receiveEvent.reset();
        return;
    }
    EventHandle* event = m_receiveEvent.release();
    AbandonedEvents().emplace_back(event);
}

// ---------------------------------------------------------- class-wide

std::string VtCanApiWrapper::StringFormat(const char* format, ...)
{
    std::string text(std::max<std::size_t>(2 * std::strlen(format), 16), '\0');
    for (;;) {
        va_list args;
        va_start(args, format);
        const int n = std::vsnprintf(text.data(), text.size() + 1, format, args);
        va_end(args);
        if (n < 0) return std::string();
        if (static_cast<std::size_t>(n) <= text.size()) {
            text.resize(static_cast<std::size_t>(n));
            return text;
        }
        text.resize(static_cast<std::size_t>(n));
    }
}

void VtCanApiWrapper::RetrieveErrMessage(const std::string& functionName, int code, int handle)
{
    if (code == 0) return;
    if (!Bound()) throw std::runtime_error(Join(functionName, NotInstalledText));
    char text[VTBUSAPI_TEXT_BUFFER_SIZE] = {};
    vtCanApi.VTCAN_GetErrorText(code, text);
    text[sizeof text - 1] = 0;
    if (code == VTBUSAPI_STATUS_SPECIFIC_ERROR && handle != VTCAN_INVALID_HANDLE) {
        std::int32_t vendorCode = 0;
        char vendorText[VTBUSAPI_TEXT_BUFFER_SIZE] = {};
        vtCanApi.VTCAN_GetLastVendorSpecificError(handle, &vendorCode, vendorText);
        vendorText[sizeof vendorText - 1] = 0;
        if (vendorCode == RxQueueOverflowVendorCode) {
            vtCanApi.VTCAN_FlushReceiveQueue(handle);
            return;
        }
        throw std::runtime_error(Join(functionName, vendorText));
    }
    throw std::runtime_error(Join(functionName, text));
}

std::uint64_t VtCanApiWrapper::TicksToMicroseconds(std::uint64_t ticks)
{
    const std::uint64_t resolution = m_timeResolution.load(std::memory_order_relaxed);
    if (resolution == 0) return ticks;  // no channel initialised yet
    if (resolution % MicrosecondsPerSecond == 0) return ticks / (resolution / MicrosecondsPerSecond);
    const unsigned __int128 us = static_cast<unsigned __int128>(ticks) * MicrosecondsPerSecond / resolution;
    return us > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(us);
}

std::uint64_t VtCanApiWrapper::MicrosecondsToTicks(std::uint64_t microseconds)
{
    const std::uint64_t resolution = m_timeResolution.load(std::memory_order_relaxed);
    if (resolution == 0) return microseconds;
    if (resolution % MicrosecondsPerSecond == 0) return microseconds * (resolution / MicrosecondsPerSecond);
    const unsigned __int128 ticks = static_cast<unsigned __int128>(microseconds) * resolution / MicrosecondsPerSecond;
    return ticks > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(ticks);
}

std::uint32_t VtCanApiWrapper::RetrieveChannelCount(const char* ip)
{
    if (!Bound()) return 0;
    const VTSCanChannelsSearchAttribute attribute = IpAttribute(ip);
    std::uint32_t count = 0;
    const int status = vtCanApi.VTCAN_GetAvailableChannelsCount(&count, 1, &attribute);
    RetrieveErrMessage("VTCAN_GetAvailableChannelsCount", status, VTCAN_INVALID_HANDLE);
    return count;
}

VtBusError VtCanApiWrapper::RetrieveAvailableChannelsVector(const char* ip, bool isSynchronized,
                                                            std::vector<VTSCanChannelInfo>* out)
{
    if (LoadCanLibrary() != 0) return NotInstalled();
    const std::uint32_t count = RetrieveChannelCount(ip);
    out->assign(count, VTSCanChannelInfo{});
    const VTSCanChannelsSearchAttribute attribute = IpAttribute(ip);
    std::uint32_t filled = count;
    const int status = vtCanApi.VTCAN_GetAvailableChannels(&filled, out->data(), 1, &attribute);
    if (status != 0) return Result(status, "VTCAN_GetAvailableChannels");
    out->resize(std::min(filled, count));
    if (isSynchronized) {
        // Replay needs the maker's own hardware clock.
        out->erase(std::remove_if(out->begin(), out->end(),
                                  [](const VTSCanChannelInfo& info) {
                                      return FieldText(info.szVendorName) != "Veltrac" ||
                                             FieldText(info.szInterfaceName) == "Virtual";
                                  }),
                   out->end());
    }
    return Result(0, "VTCAN_GetAvailableChannels");
}

void VtCanApiWrapper::RetrieveAvailableChannelsPtr(std::uint32_t count, const char* ip)
{
    m_canChannelInfo.reset(new VTSCanChannelInfo[count]());
    m_canChannelCount = count;
    const VTSCanChannelsSearchAttribute attribute = IpAttribute(ip);
    std::uint32_t filled = count;
    const int status = vtCanApi.VTCAN_GetAvailableChannels(&filled, m_canChannelInfo.get(), 1, &attribute);
    RetrieveErrMessage("VTCAN_GetAvailableChannels", status, m_canChannelHandle);
}

ORDAStackedString<40> VtCanApiWrapper::GetChannelId(const VTSCanChannelInfo& info)
{
    return ORDAStackedString<40>(FieldText(info.szChannelIdentifier).c_str());
}

ORDAStackedString<40> VtCanApiWrapper::GetChannelDescription(const VTSCanChannelInfo& info,
                                                             ORDAStackedString<40> channelId)
{
    if (FieldText(info.szChannelIdentifier) != channelId.Beginning()) return ORDAStackedString<40>();
    std::string text = "Vendor: " + FieldText(info.szVendorName) + "; Interface: " + FieldText(info.szInterfaceName);
    const std::string serial = FieldText(info.szInterfaceSerialNumber);
    if (!serial.empty()) text += "; Serial number: " + serial;
    return ORDAStackedString<40>(text.c_str());
}

// ---------------------------------------------------------- conversions

std::int8_t VtCanApiWrapper::FrameDlcToDataLength(std::uint16_t dlc)
{
    static constexpr std::int8_t lengths[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
    if (dlc < 16) return lengths[dlc];
    ORDAStreamedString text;
    text << "Invalid DLC Value [dlc:" << dlc << "]";
    VtBusReport::Error(text);
    return static_cast<std::int8_t>(255);
}

std::uint16_t VtCanApiWrapper::DataLengthToFrameDlc(std::int8_t length)
{
    if (length >= 0 && length <= 8) return static_cast<std::uint16_t>(length);
    switch (length) {
    case 12: return 9;
    case 16: return 10;
    case 20: return 11;
    case 24: return 12;
    case 32: return 13;
    case 48: return 14;
    case 64: return 15;
    default: break;
    }
    ORDAStreamedString text;
    text << "Invalid Data Length [length:" << static_cast<int>(length) << "]";
    VtBusReport::Error(text);
    return 0xFFFF;
}

ORDATimestamp VtCanApiWrapper::CopyFrameMon(ORDACANFrame& dst, const VTSCanMessage& src, ORDATimestamp tsOffset)
{
    dst.isRemote = false;
    return FillReceived(dst, src, tsOffset);
}

ORDATimestamp VtCanApiWrapper::CopyFrameMon(ORDACANFDFrame& dst, const VTSCanMessage& src, ORDATimestamp tsOffset)
{
    return FillReceived(dst, src, tsOffset);
}

ORDATimestamp VtCanApiWrapper::CopyFrameMon(ORDACANUniFrame& dst, const VTSCanMessage& src, ORDATimestamp tsOffset)
{
    const ORDATimestamp ts = FillReceived(dst, src, tsOffset);
    dst.SetFlag<ORDACANUniFrame::Flag_RX>(true);
    dst.SetFlag<ORDACANUniFrame::Flag_BRS>((src.ulFlags & VTCAN_MSG_FLAG_RX_BRS) != 0);
    return ts;
}

void VtCanApiWrapper::CopyFrame(VTSCanMessage& dst, const ORDACANFrame& src)
{
    dst = VTSCanMessage{};
    FillTransmitted(dst, src.data, sizeof src.data, src.dataLength);
    dst.ulCanIdentifier = src.arbitrationId & ORDACANFrame::AddressMask;
    dst.tCanIdentifierType = (src.arbitrationId & ORDACANFrame::ExtendedId) ? VTCAN_IDENTIFIER_TYPE_XTD
                                                                              : VTCAN_IDENTIFIER_TYPE_STD;
    dst.ulFlags = 0;
}

void VtCanApiWrapper::CopyFrame(VTSCanMessage& dst, const ORDACANFDFrame& src)
{
    dst = VTSCanMessage{};
    FillTransmitted(dst, src.data, sizeof src.data, src.dataLength);
    dst.ulCanIdentifier = src.arbitrationId & ORDACANFDFrame::AddressMask;
    dst.tCanIdentifierType = (src.arbitrationId & ORDACANFDFrame::ExtendedId) ? VTCAN_IDENTIFIER_TYPE_XTD
                                                                                : VTCAN_IDENTIFIER_TYPE_STD;
    dst.ulFlags = VTCAN_MSG_FLAG_FD | VTCAN_MSG_FLAG_BRS;
}

void VtCanApiWrapper::CopyFrame(VTSCanMessage& dst, const ORDACANUniFrame& src)
{
    dst = VTSCanMessage{};
    FillTransmitted(dst, src.data, sizeof src.data, static_cast<int>(src.GetDataLength()));
    dst.ulCanIdentifier = src.GetId();
    dst.tCanIdentifierType = src.HasExtendedId() ? VTCAN_IDENTIFIER_TYPE_XTD : VTCAN_IDENTIFIER_TYPE_STD;
    dst.ulFlags = (src.IsFD() ? VTCAN_MSG_FLAG_FD : 0u) |
                  (src.GetFlag<ORDACANUniFrame::Flag_BRS>() ? VTCAN_MSG_FLAG_BRS : 0u);
}

// ------------------------------------------------------ initialisation

VtBusError VtCanApiWrapper::Initialize(bool* highSpeedCapability)
{
    if (m_isInitialized) return VtBusError();
    if (LoadCanLibrary() != 0) return NotInstalled();
    VtBusError result = RegInitActivate(highSpeedCapability);
    m_isInitialized = result.errorCode != 1;
    return result;
}

VtBusError VtCanApiWrapper::RegInitActivate(bool* highSpeedCapability)
{
    VtBusError r = RegisterCanChannel(highSpeedCapability);
    if (r.Failed()) return r;
    if ((r = InitializeInterface()).Failed()) return r;
    if ((r = GetBaudRate(&m_initialBaudRate)).Failed()) return r;
    if ((r = SetAcceptance(m_settings.GetStandardCanIdentifiersCode(), m_settings.GetStandardCanIdentifiersMask(),
                           m_settings.GetExtendedCanIdentifiersCode(), m_settings.GetExtendedCanIdentifiersMask()))
            .Failed())
        return r;
    if ((r = ConfigureReceiveMode()).Failed()) return r;
    if ((r = ActivateChannel()).Failed()) return r;
    if (int status = vtCanApi.VTCAN_FlushReceiveQueue(m_canChannelHandle))
        return Result(status, "VTCAN_FlushReceiveQueue");
    if (int status = vtCanApi.VTCAN_FlushTransmitQueue(m_canChannelHandle))
        return Result(status, "VTCAN_FlushTransmitQueue");
    std::uint64_t resolution = 0;
    if ((r = GetHardwareTimeResolution(&resolution)).Failed()) return r;
    m_timeConvCoefficient.store(resolution / MicrosecondsPerSecond, std::memory_order_relaxed);
    m_timeResolution.store(resolution, std::memory_order_relaxed);
    return SetBaudRate();
}

const VTSCanChannelInfo* VtCanApiWrapper::FindConfiguredChannel() const
{
    for (std::uint32_t i = 0; i < m_canChannelCount; ++i)
        if (FieldText(m_canChannelInfo[i].szChannelIdentifier) == m_settings.GetChannelIdentifier())
            return &m_canChannelInfo[i];
    return nullptr;
}

bool VtCanApiWrapper::IsVirtualChannel() const
{
    const VTSCanChannelInfo* channel = FindConfiguredChannel();
    return channel && FieldText(channel->szInterfaceName) == "Virtual";
}

VtBusError VtCanApiWrapper::RegisterCanChannel(bool* highSpeedCapability)
{
    VTSCanChannelInfo channel{};
    if (const VTSCanChannelInfo* match = FindConfiguredChannel()) channel = *match;
    channel.szVendorName[255] = channel.szInterfaceName[255] = 0;
    channel.szInterfaceSerialNumber[255] = channel.szChannelIdentifier[255] = 0;
    if (channel.szChannelIdentifier[0] == 0)
        return VtBusError(VtBusError::NoMatchingCanChannel, "RegisterCanChannel", VtBusErrorSeverity::Error,
                          NoMatchingChannelText);
    if (m_settings.GetIsReplayChannel()) {
        bool capable = (channel.ulChannelCapabilities & VTCAN_CHANNEL_CAPABILITY_HIGH_SPEED_REPLAY) != 0;
        if (highSpeedCapability) *highSpeedCapability = capable;
        const int status = vtCanApi.VTCAN_RegisterReplayChannel(
            channel.szVendorName, channel.szInterfaceName, channel.szInterfaceSerialNumber,
            channel.szChannelIdentifier, &m_canChannelHandle, m_settings.GetIsHighSpeedChannel() && capable, 0);
        return Result(status, "VTCAN_RegisterReplayChannel");
    }
    const int status = vtCanApi.VTCAN_RegisterChannel(channel.szVendorName, channel.szInterfaceName,
                                                      channel.szInterfaceSerialNumber, channel.szChannelIdentifier,
                                                      &m_canChannelHandle);
    return Result(status, "VTCAN_RegisterChannel");
}

VtBusError VtCanApiWrapper::InitializeInterface()
{
    bool access = false;
    const int status = vtCanApi.VTCAN_InitChannel(m_canChannelHandle, VTCAN_IDENTIFIER_TYPE_STD_XTD,
                                                  MessageBufferSize, m_settings.GetCanFd(), &access);
    return Result(status, "VTCAN_InitChannel");
}

VtBusError VtCanApiWrapper::GetBaudRate(std::uint32_t* baudRate)
{
    if (IsVirtualChannel()) return VtBusError();
    bool fd = false;
    VTSCanBitTimingParameters dataTiming{};
    int status = vtCanApi.VTCAN_GetBaudrate(m_canChannelHandle, &m_clockFrequency, &m_bitTimingParameters, &fd,
                                            &dataTiming);
    if (status != 0) return Result(status, "VTCAN_GetBaudrate");
    status = vtCanApi.VTCAN_ConvertBitTimingParametersToBaudrate(m_clockFrequency, &m_bitTimingParameters, baudRate);
    return Result(status, "VTCAN_ConvertBitTimingParametersToBaudrate");
}

VtBusError VtCanApiWrapper::SetBaudRate()
{
    if (IsVirtualChannel()) return VtBusError();
    VTSCanBitTimingParameters nominal{};
    VTSCanBitTimingParameters data{};
    std::uint32_t clock = ClassicClockFrequency;
    int status = 0;
    if (!m_settings.GetCanFd()) {
        status = vtCanApi.VTCAN_ConvertBaudrateToBitTimingParameters(clock, m_settings.GetTargetBaudrate(), &nominal);
    } else {
        clock = FdClockFrequency;
        status = vtCanApi.VTCAN_ConvertBaudrateToBitTimingParameters(
            clock, m_settings.GetTargetArbitrationBaudrate(), &nominal);
        if (status == 0)
            status = vtCanApi.VTCAN_ConvertBaudrateToBitTimingParameters(clock, m_settings.GetTargetBaudrate(), &data);
    }
    if (status != 0) return Result(status, "VTCAN_ConvertBaudrateToBitTimingParameters");
    status = vtCanApi.VTCAN_SetBaudrate(m_canChannelHandle, clock, &nominal, &data);
    // A rejected bit rate does not stop the component.
    return Result(status, "VTCAN_SetBaudrate", VtBusErrorSeverity::Warning);
}

VtBusError VtCanApiWrapper::SetAcceptance(std::uint32_t standardCode, std::uint32_t standardMask,
                                          std::uint32_t extendedCode, std::uint32_t extendedMask)
{
    const int status =
        vtCanApi.VTCAN_SetAcceptance(m_canChannelHandle, standardCode, standardMask, extendedCode, extendedMask);
    return Result(status, "VTCAN_CanSetAcceptance");
}

VtBusError VtCanApiWrapper::ConfigureReceiveMode()
{
    if (!m_settings.GetEventBasedReceive()) return VtBusError();
    if (m_receiveEvent) {
        // Already handed to the library by an earlier attempt.
        pthread_mutex_lock(&m_receiveEvent->m_mutex);
        m_receiveEvent->m_signalled = false;
        pthread_mutex_unlock(&m_receiveEvent->m_mutex);
    } else {
        m_receiveEvent.reset(new EventHandle);
        VTEventHandleInit(m_receiveEvent.get());
    }
    const int status = vtCanApi.VTCAN_SetEventNotification(m_canChannelHandle, m_receiveEvent.get(), 1);
    return Result(status, "VTCAN_SetEventNotification");
}

VtBusError VtCanApiWrapper::ActivateChannel()
{
    return Result(vtCanApi.VTCAN_ActivateChannel(m_canChannelHandle), "VTCAN_ActivateChannel");
}

VtBusError VtCanApiWrapper::DeactivateChannel()
{
    bool accessible = false;
    int status = vtCanApi.VTCAN_IsChannelAccessible(m_canChannelHandle, &accessible);
    if (status != 0) return Result(status, "VTCAN_IsChannelAccessible");
    if (!accessible) return VtBusError();
    return Result(vtCanApi.VTCAN_DeactivateChannel(m_canChannelHandle), "VTCAN_DeactivateChannel");
}

VtBusError VtCanApiWrapper::UnregisterCanInterface()
{
    bool accessible = false;
    int status = vtCanApi.VTCAN_IsChannelAccessible(m_canChannelHandle, &accessible);
    if (status != 0) return Result(status, "VTCAN_IsChannelAccessible");
    if (!accessible) return VtBusError();
    status = vtCanApi.VTCAN_UnregisterChannel(m_canChannelHandle);
    if (status == 0) m_canChannelHandle = VTCAN_INVALID_HANDLE;
    return Result(status, "VTCAN_UnregisterChannel");
}

// ------------------------------------------------------------ receiving

std::uint32_t VtCanApiWrapper::ReadReceiveQueue()
{
    if (!m_isInitialized || !Bound()) throw std::runtime_error(NotInitializedText);
    std::uint32_t count = MessageBufferSize;
    const int status = vtCanApi.VTCAN_ReadReceiveQueue(m_canChannelHandle, &count, m_canMsgBuffer.get());
    count = std::min(count, MessageBufferSize);
    RetrieveErrMessage("VTCAN_ReadReceiveQueue", status, m_canChannelHandle);
    if (count > 0 && m_settings.GetLogCan()) LogMessages(count);
    return count;
}

void VtCanApiWrapper::LogMessages(std::uint32_t count)
{
    if (!m_ascFile) return;
    for (std::uint32_t i = 0; i < count; ++i) {
        const VTSCanMessage& m = m_canMsgBuffer[i];
        const auto* d = m.ucData;
        std::fprintf(m_ascFile, "%llu 1  %03u Rx d 8 %u %02X %02X %02X %02X %02X %02X %02X %02X\n",
                     static_cast<unsigned long long>(TicksToMicroseconds(m.ui64Timestamp)), m.ulCanIdentifier,
                     static_cast<unsigned>(m.usDLC), d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
    }
    std::fflush(m_ascFile);
}

bool VtCanApiWrapper::WaitForReceiveEvent(std::uint32_t timeout, void* /*extraEvent*/)
{
    if (!m_receiveEvent) return false;
    // Tests and clears the flag under the event's mutex: a notification
    // between two waits is kept for the next one.
    return VTEventHandleWaitAndClear(m_receiveEvent.get(), timeout);
}

// ---------------------------------------------------------- transmitting

VtBusError VtCanApiWrapper::TransmitMessages(VTSCanMessage* messages, std::uint32_t count)
{
    if (!m_isInitialized || !Bound()) throw std::runtime_error(NotInitializedText);
    if (count == 0) return VtBusError();
    for (std::uint32_t i = 0; i < count; ++i) messages[i].ui64Timestamp = 0;  // send now
    return Result(vtCanApi.VTCAN_TransmitMessages(m_canChannelHandle, count, messages), "VTCAN_TransmitMessages");
}

VtBusError VtCanApiWrapper::Transmit()
{
    if (!m_isInitialized || m_txBufferSize == 0 || !Bound()) return VtBusError();
    std::uint32_t sent = m_txBufferSize;
    const int status = vtCanApi.VTCAN_ReplayStreamData(m_canChannelHandle, &sent, m_txBuffer.get());
    if (status != 0) return Result(status, "VTCAN_ReplayStreamData");
    if (sent < m_txBufferSize) {
        std::memmove(m_txBuffer.get(), m_txBuffer.get() + sent, m_txBufferSize - sent);
        m_txBufferSize -= sent;
        m_txFramesAllowed = false;
    } else {
        m_txBufferSize = 0;
        m_txFramesAllowed = true;
    }
    return Result(0, "VTCAN_ReplayStreamData");
}

bool VtCanApiWrapper::MakeRoom(std::unique_lock<std::mutex>& lock, std::uint32_t needed)
{
    using namespace std::chrono_literals;
    auto backoff = 0ms;
    while (m_txBufferSize + needed > VtBufferSize) {
        if (!m_isInitialized || m_canChannelHandle == VTCAN_INVALID_HANDLE) {
            m_lastInsertError = VtBusError(VTCAN_ERR_CHANNEL_NOT_INITIALIZED, "InsertMessageHeader",
                                           VtBusErrorSeverity::Error);
            return false;
        }
        const std::uint32_t before = m_txBufferSize;
        const VtBusError streamed = Transmit();
        if (streamed.Failed()) {
            m_lastInsertError = streamed;
            return false;
        }
        if (m_txBufferSize < before) {
            backoff = 0ms;
            continue;
        }
        // The library took nothing: wait for its replay to drain, unless the
        // component is going away.
        if (m_isOwnerDying && m_isOwnerDying()) {
            m_lastInsertError = VtBusError(VtBusError::OwnerDying, "InsertMessageHeader", VtBusErrorSeverity::Info,
                                           OwnerDyingText);
            return false;
        }
        backoff = backoff == 0ms ? 1ms : std::min(backoff * 2, std::chrono::milliseconds(16));
        lock.unlock();
        std::this_thread::sleep_for(backoff);
        lock.lock();
    }
    return true;
}

VTSCanReplayData* VtCanApiWrapper::InsertMessageHeader(std::unique_lock<std::mutex>& lock, bool isEndOfFrame,
                                                       std::uint16_t dlc)
{
    m_lastInsertError = VtBusError();
    if (!m_txBuffer) throw std::runtime_error("Destination buffer is null!");
    if (!Bound()) {
        m_lastInsertError = NotInstalled();
        return nullptr;
    }
    if (!MakeRoom(lock, ReplayRecordHeadSize)) return nullptr;
    for (;;) {
        auto* record = reinterpret_cast<VTSCanReplayData*>(m_txBuffer.get() + m_txBufferSize);
        std::uint32_t size = 0;
        const int status = vtCanApi.VTCAN_ReplayInitHeader(record, isEndOfFrame, dlc, &size);
        RetrieveErrMessage("VTCAN_ReplayInitHeader", status, m_canChannelHandle);
        // A size outside these bounds would overrun the buffer or never fit.
        if (size < sizeof(VTSCanReplayData) || size > VtBufferSize)
            throw std::runtime_error(StringFormat("VTCAN_ReplayInitHeader: invalid replay record size %u", size));
        if (m_txBufferSize + size > VtBufferSize) {
            if (!MakeRoom(lock, size)) return nullptr;
            continue;
        }
        record->tMsgHeader.usDLC = dlc;
        m_lastRecordSize = size;
        m_txBufferSize += size;
        return record;
    }
}

VTSCanReplayData* VtCanApiWrapper::InsertMessageHeader(bool isEndOfFrame, std::uint16_t dlc)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return InsertMessageHeader(lock, isEndOfFrame, dlc);
}

template <class Frame>
VtBusError VtCanApiWrapper::AppendReplayRecord(const Frame& frame, std::uint32_t canId, VTECanIdentifierType format,
                                               std::uint32_t flags)
{
    const int length = static_cast<int>(frame.GetDataLength());
    const std::uint16_t dlc = DataLengthToFrameDlc(static_cast<std::int8_t>(length));
    // The record is filled under the lock so that no stream call sees it half written.
    std::unique_lock<std::mutex> lock(m_mutex);
    VTSCanReplayData* record = InsertMessageHeader(lock, false, dlc);
    if (!record) return m_lastInsertError;
    record->tMsgHeader.tMessageType = VTCAN_MESSAGE_TYPE_DATA;
    record->tHeader.ui64Timestamp = SignedToTicks(frame.GetTimestamp());
    record->tMsgHeader.ulCanId = canId;
    record->tMsgHeader.tMsgFormat = format;
    record->tMsgHeader.ulFlags = flags;
    const int room = static_cast<int>(m_lastRecordSize - RecordDataOffset);
    const int n = ClampLength(length, std::min<int>(sizeof frame.data, room));
    std::memcpy(reinterpret_cast<std::uint8_t*>(record) + RecordDataOffset, frame.data, static_cast<std::size_t>(n));
    return VtBusError();
}

VtBusError VtCanApiWrapper::CopyFrame2(const ORDACANFrame& frame)
{
    return AppendReplayRecord(frame, frame.arbitrationId & ORDACANFrame::AddressMask,
                              (frame.arbitrationId & ORDACANFrame::ExtendedId) ? VTCAN_IDENTIFIER_TYPE_XTD
                                                                                 : VTCAN_IDENTIFIER_TYPE_STD,
                              0);
}

VtBusError VtCanApiWrapper::CopyFrame2(const ORDACANFDFrame& frame)
{
    return AppendReplayRecord(frame, frame.arbitrationId & ORDACANFDFrame::AddressMask,
                              (frame.arbitrationId & ORDACANFDFrame::ExtendedId) ? VTCAN_IDENTIFIER_TYPE_XTD
                                                                                   : VTCAN_IDENTIFIER_TYPE_STD,
                              VTCAN_MSG_FLAG_FD | VTCAN_MSG_FLAG_BRS);
}

VtBusError VtCanApiWrapper::CopyFrame2(const ORDACANUniFrame& frame)
{
    return AppendReplayRecord(frame, frame.GetId(),
                              frame.HasExtendedId() ? VTCAN_IDENTIFIER_TYPE_XTD : VTCAN_IDENTIFIER_TYPE_STD,
                              (frame.IsFD() ? VTCAN_MSG_FLAG_FD : 0u) |
                                  (frame.template GetFlag<ORDACANUniFrame::Flag_BRS>() ? VTCAN_MSG_FLAG_BRS : 0u));
}

VtBusError VtCanApiWrapper::TransmitMessagesPushing(bool endOfReplay)
{
    if (!m_isInitialized) return VtBusError();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (endOfReplay) {
        VTSCanReplayData* record = InsertMessageHeader(lock, true, 0);
        if (!record) return m_lastInsertError;
        record->tHeader.ui64Timestamp = 0;
    }
    return Transmit();
}

// --------------------------------------------------------------- timing

VtBusError VtCanApiWrapper::SetLogStartTime(std::int64_t offset)
{
    m_logStartTime = offset;
    if (!Bound()) return NotInstalled();
    const int status = vtCanApi.VTCAN_SetReplayStartTime(m_canChannelHandle, 0, SignedToTicks(offset),
                                                         VTCAN_REPLAY_OPTION_APPLY_OFFSET_ONLY, 0);
    return Result(status, "VTCAN_SetReplayStartTime",
                  status < 0 ? VtBusErrorSeverity::Warning : VtBusErrorSeverity::Error);
}

VtBusError VtCanApiWrapper::SetReplayStartTime(std::uint64_t startTime, std::uint64_t offset)
{
    if (!Bound()) return NotInstalled();
    const int status = vtCanApi.VTCAN_SetReplayStartTime(m_canChannelHandle, MicrosecondsToTicks(startTime),
                                                         MicrosecondsToTicks(offset), VTCAN_REPLAY_OPTION_NONE, 0);
    return Result(status, "VTCAN_SetReplayStartTime");
}

VtBusError VtCanApiWrapper::SetReplayStopTime(std::uint64_t stopTime)
{
    if (!Bound()) return NotInstalled();
    const int status = vtCanApi.VTCAN_SetReplayStopTime(m_canChannelHandle, MicrosecondsToTicks(stopTime));
    return Result(status, "VTCAN_SetReplayStopTime");
}

VtBusError VtCanApiWrapper::GetHardwareTime(std::uint64_t* microseconds)
{
    if (!Bound()) return NotInstalled();
    std::uint64_t ticks = 0;
    const int status = vtCanApi.VTCAN_GetHardwareTime(m_canChannelHandle, &ticks);
    if (status == 0 && microseconds) *microseconds = TicksToMicroseconds(ticks);
    return Result(status, "VTCAN_GetHardwareTime");
}

VtBusError VtCanApiWrapper::GetHardwareTimeResolution(std::uint64_t* ticksPerSecond)
{
    if (!Bound()) return NotInstalled();
    const int status = vtCanApi.VTCAN_GetHardwareTimeResolution(m_canChannelHandle, ticksPerSecond);
    return Result(status, "VTCAN_GetHardwareTimeResolution");
}

VtBusError VtCanApiWrapper::GetReplayStateInfo(VtBusReplayStateInfo* info)
{
    if (!Bound()) return NotInstalled();
    VTSCanReplayStatusInfo status{};
    const int code = vtCanApi.VTCAN_GetReplayStateInfo(m_canChannelHandle, &status);
    if (code == 0 && info) {
        info->tReplayState = static_cast<std::uint8_t>(status.tReplayState);
        info->ui64Dropped = status.ui64Dropped;
        info->ui64ErrorData = status.ui64ErrorData;
        info->ui64SendFailed = status.ui64SendFailed;
        info->ui64SentFrames = status.ui64SentFrames;
        info->ui64Timestamp = status.ui64Timestamp;
    }
    return Result(code, "VTCAN_GetReplayStateInfo");
}

// ---------------------------------------------------------------- texts

std::string VtCanApiWrapper::GetErrorMessage(const VtBusError& error)
{
    if (error.errorCode == 0) return std::string();
    char text[VTBUSAPI_TEXT_BUFFER_SIZE] = {};
    if (error.errorCode == VTBUSAPI_STATUS_SPECIFIC_ERROR && m_canChannelHandle != VTCAN_INVALID_HANDLE && Bound()) {
        std::int32_t vendorCode = 0;
        vtCanApi.VTCAN_GetLastVendorSpecificError(m_canChannelHandle, &vendorCode, text);
        text[sizeof text - 1] = 0;
        if (vendorCode != RxQueueOverflowVendorCode) return Join(error.functionName, text);
        vtCanApi.VTCAN_FlushReceiveQueue(m_canChannelHandle);
        text[0] = 0;
    }
    // The wrapper's own codes carry their text; the library knows only its own.
    if (error.errorCode == VtBusError::LibraryNotLoaded || (error.message && *error.message) || !Bound())
        return Join(error.functionName, error.message && *error.message ? error.message : NotInstalledText);
    vtCanApi.VTCAN_GetErrorText(error.errorCode, text);
    text[sizeof text - 1] = 0;
    return Join(error.functionName, text);
}
