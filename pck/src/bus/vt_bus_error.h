#pragma once
// Result record of every bus wrapper operation, and the replay state summary.
#include <cstdint>
#include <string>

enum class VtBusErrorSeverity : std::int32_t { NotDefined = 0, Error = 1, Warning = 2, Info = 3 };

struct VtBusError {
    // The wrapper's own codes; every other non-zero code is a library status.
    static constexpr std::int32_t LibraryNotLoaded = 666;
    static constexpr std::int32_t NoMatchingCanChannel = 10;
    static constexpr std::int32_t NoMatchingEthInterface = 9;
    // The replay buffer gave up waiting because its component is shutting down.
    static constexpr std::int32_t OwnerDying = 0xDEAD;

    VtBusError() = default;
    VtBusError(std::int32_t code, std::string function, VtBusErrorSeverity level, const char* text = "")
        : errorCode(code), functionName(std::move(function)), severity(level), message(text ? text : "")
    {
    }

    bool Failed() const { return errorCode != 0; }

    std::int32_t errorCode = 0;
    std::string functionName;
    VtBusErrorSeverity severity = VtBusErrorSeverity::NotDefined;
    const char* message = "";  // static text, not owned
};

struct VtBusReplayStateInfo {
    std::uint64_t ui64Timestamp = 0;  // hardware ticks
    std::uint64_t ui64SentFrames = 0;
    std::uint64_t ui64ErrorData = 0;
    std::uint64_t ui64SendFailed = 0;
    std::uint64_t ui64Dropped = 0;
    std::uint8_t tReplayState = 0;
};
