#pragma once
// Process-wide binding of the runtime to the host engine.
#include "orda_kernel_interface.h"

namespace ORDAPrivate {
// Null until the first successful ORDAPckInit; read without locking
// afterwards since it is stored before any component exists.
extern ORDAKernelInterface* kernel;

void Report(const char* text, int level, int code, bool flag);
[[noreturn]] void KernelError(const char* text, int code);
// type: 1 warning, 2 error, anything else information.
void MessageBox(const char* text, int type, int code, bool engine);
void Exit();
}

namespace ORDA {
void Report(const char* text, int level, int code);
void ReportInfo(const char* text, int code);
void ReportWarning(const char* text, int code);
void ReportError(const char* text, int code);
void MessageBox(const char* text, int type, int code);
void Exit();
}
