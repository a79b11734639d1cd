#include "orda_model_registration.h"
#include "orda_vt_models.h"

// Its input table holds only the terminator; the all-ones count means "every entry".
constinit ORDAComponentDefinition ORDAVtCanMonitoring::definition =
    VtComponentDefinition("VtCanMonitoring", "1.3.3", ORDA::AllEntries, VtModelTables::noInputs, 0,
                          VtModelTables::noOutputs);

namespace {
[[gnu::used]] const char* const s_modelMarker = "$!ORDA_MODULE!ORDAComponent!VtCanMonitoring!$!1.3.3!$";

struct Registrar {
    Registrar() { ORDA::RegisterComponentModel("ORDAVtCanMonitoring", &ORDAVtCanMonitoring::definition); }
};
ORDA_MODEL_INIT_PRIORITY(1) Registrar s_registrar;
}
