#include "orda_model_registration.h"
#include "orda_type_codes.h"
#include "orda_vt_models.h"

namespace {
// One PCAP descriptor per sample.
constinit ORDAOutputDefinition s_outputs[] = {
    {"oEth", 0, ORDATypeInfo(ORDA::DynamicStructure), 49, 16, 1, 1},
    {nullptr, 0, ORDATypeInfo(), 0, 0, 0, 0},
};
}

constinit ORDAComponentDefinition ORDAVtEthMonitoring::definition =
    VtComponentDefinition("VtEthMonitoring", "2.1.6", 0, VtModelTables::noInputs, ORDA::AllEntries, s_outputs);

namespace {
[[gnu::used]] const char* const s_modelMarker = "$!ORDA_MODULE!ORDAComponent!VtEthMonitoring!$!2.1.6!$";

struct Registrar {
    Registrar()
    {
        s_outputs[0].type.SetName("ORDApcap_data_t");
        ORDA::RegisterComponentModel("ORDAVtEthMonitoring", &ORDAVtEthMonitoring::definition);
    }
};
ORDA_MODEL_INIT_PRIORITY(2) Registrar s_registrar;
}
