#pragma once
// Error reports of the bus layer go through the runtime's error report; the
// indirection lets the layer run (and be tested) without an engine bound.
namespace VtBusReport {
using Function = void (*)(const char* text, int code);
// Defaults to the runtime's error report, skipped while no engine is bound.
extern Function error;
inline void Error(const char* text, int code = 0) { error(text, code); }
}
