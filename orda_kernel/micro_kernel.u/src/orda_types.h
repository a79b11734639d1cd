#pragma once
#include <cstdint>

// Times and delays: signed microseconds on the host engine's time base.
typedef std::int64_t ORDATimestamp;
typedef std::int64_t ORDADelay;
typedef std::int64_t ORDATypeInfoValue;

namespace ORDA {
// Integer exceptions of the runtime.
inline constexpr int ErrorException = -5;
inline constexpr int ModuleDied = 0xDEAD;
// Wait results.
inline constexpr int TimeOut = -3;
inline constexpr int GotAMessage = -2;

// Report levels.
enum ReportLevel : int { Info = 0, Warning = 1, Error = 2, ParserEcho = 3 };

// Threading modes a model supports (bit set).
inline constexpr unsigned Threaded = 1;
inline constexpr unsigned Sequential = 2;
}
