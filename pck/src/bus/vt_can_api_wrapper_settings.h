#pragma once
// Configuration of one CAN wrapper, copied into it at construction.
#include <cstdint>
#include <string>

class VtCanApiWrapperSettings {
public:
    VtCanApiWrapperSettings() = default;
    VtCanApiWrapperSettings(std::string ip, std::string channelIdentifier, bool canFd,
                            std::uint32_t targetArbitrationBaudrate, std::uint32_t targetBaudrate, bool logCan,
                            bool isReplayChannel)
        : m_ip(std::move(ip)),
          m_isReplayChannel(isReplayChannel),
          m_canFd(canFd),
          m_targetArbitrationBaudrate(targetArbitrationBaudrate),
          m_targetBaudrate(targetBaudrate),
          m_logCan(logCan),
          m_channelIdentifier(std::move(channelIdentifier))
    {
    }

    const std::string& GetIp() const { return m_ip; }
    const std::string& GetChannelIdentifier() const { return m_channelIdentifier; }
    bool GetCanFd() const { return m_canFd; }
    std::uint32_t GetTargetArbitrationBaudrate() const { return m_targetArbitrationBaudrate; }
    std::uint32_t GetTargetBaudrate() const { return m_targetBaudrate; }
    bool GetLogCan() const { return m_logCan; }
    bool GetEventBasedReceive() const { return m_eventBasedReceive; }
    bool GetIsReplayChannel() const { return m_isReplayChannel; }
    bool GetIsHighSpeedChannel() const { return m_isHighSpeedChannel; }
    std::uint32_t GetStandardCanIdentifiersCode() const { return m_standardCanIdentifiersCode; }
    std::uint32_t GetStandardCanIdentifiersMask() const { return m_standardCanIdentifiersMask; }
    std::uint32_t GetExtendedCanIdentifiersCode() const { return m_extendedCanIdentifiersCode; }
    std::uint32_t GetExtendedCanIdentifiersMask() const { return m_extendedCanIdentifiersMask; }

    void SetIp(const std::string& ip) { m_ip = ip; }
    void SetIsHighSpeedChannel(bool value) { m_isHighSpeedChannel = value; }
    void SetEventBasedReceive(bool value) { m_eventBasedReceive = value; }
    void SetStandardCanIdentifiersCode(std::uint32_t value) { m_standardCanIdentifiersCode = value; }
    void SetStandardCanIdentifiersMask(std::uint32_t value) { m_standardCanIdentifiersMask = value; }
    void SetExtendedCanIdentifiersCode(std::uint32_t value) { m_extendedCanIdentifiersCode = value; }
    void SetExtendedCanIdentifiersMask(std::uint32_t value) { m_extendedCanIdentifiersMask = value; }
    void AcceptAll()
    {
        m_standardCanIdentifiersCode = m_standardCanIdentifiersMask = 0;
        m_extendedCanIdentifiersCode = m_extendedCanIdentifiersMask = 0;
    }
    std::string GetLogFilename() const { return m_channelIdentifier + ".asc"; }

private:
    std::string m_ip;
    bool m_isReplayChannel = false;
    bool m_isHighSpeedChannel = false;
    bool m_canFd = false;
    std::uint32_t m_targetArbitrationBaudrate = 0;
    std::uint32_t m_targetBaudrate = 0;
    bool m_logCan = false;
    std::string m_channelIdentifier;
    bool m_eventBasedReceive = false;
    std::uint32_t m_standardCanIdentifiersCode = 0;
    std::uint32_t m_standardCanIdentifiersMask = 0;
    std::uint32_t m_extendedCanIdentifiersCode = 0;
    std::uint32_t m_extendedCanIdentifiersMask = 0;
};
