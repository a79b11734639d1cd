#include "orda_private.h"

namespace ORDAPrivate {
ORDAKernelInterface* kernel = nullptr;

void Report(const char* text, int level, int code, bool flag)
{
    kernel->Report(text, level, code, flag);
}

void KernelError(const char* text, int code)
{
    Report(text, ORDA::Error, code, true);
    throw static_cast<int>(ORDA::ErrorException);
}

void Exit()
{
    if (!kernel) return;
    kernel->Exit();
    kernel->Release();
    kernel = nullptr;
}
}

namespace ORDA {
void Report(const char* text, int level, int code) { ORDAPrivate::Report(text, level, code, false); }
void ReportInfo(const char* text, int code) { ORDAPrivate::Report(text, ORDA::Info, code, false); }
void ReportWarning(const char* text, int code) { ORDAPrivate::Report(text, ORDA::Warning, code, false); }
void ReportError(const char* text, int code) { ORDAPrivate::Report(text, ORDA::Error, code, false); }
void MessageBox(const char* text, int type, int code) { ORDAPrivate::MessageBox(text, type, code, false); }
void Exit() { ORDAPrivate::Exit(); }
}
