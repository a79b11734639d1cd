#include "bus/vt_bus_report.h"

#include "orda_private.h"

namespace {
void ToRuntime(const char* text, int code)
{
    if (ORDAPrivate::kernel) ORDA::ReportError(text, code);
}
}

VtBusReport::Function VtBusReport::error = ToRuntime;
