#include "orda_model_registration.h"
#include "orda_vt_models.h"

constinit ORDAComponentDefinition ORDAVtCanApi20::definition =
    VtComponentDefinition("VtCanInject", "1.2.6", 0, VtModelTables::noInputs, 0, VtModelTables::noOutputs);

namespace {
[[gnu::used]] const char* const s_modelMarker = "$!ORDA_MODULE!ORDAComponent!VtCanInject!$!1.2.6!$";

struct Registrar {
    Registrar() { ORDA::RegisterComponentModel("ORDAVtCanApi20", &ORDAVtCanApi20::definition); }
};
ORDA_MODEL_INIT_PRIORITY(3) Registrar s_registrar;
}
