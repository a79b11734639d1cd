#include "orda_model_registration.h"
#include "orda_vt_models.h"

constinit ORDAComponentDefinition ORDAVtEthApi10::definition =
    VtComponentDefinition("VtEthInject", "2.3.5", 0, VtModelTables::noInputs, 0, VtModelTables::noOutputs);

namespace {
[[gnu::used]] const char* const s_modelMarker = "$!ORDA_MODULE!ORDAComponent!VtEthInject!$!2.3.5!$";

struct Registrar {
    Registrar() { ORDA::RegisterComponentModel("ORDAVtEthApi10", &ORDAVtEthApi10::definition); }
};
ORDA_MODEL_INIT_PRIORITY(4) Registrar s_registrar;
}
