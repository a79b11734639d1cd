// A small package with one model, loaded by the tests like the real one:
// its component counts Core calls into its output property "count".
#include "orda_component.h"
#include "orda_model_registration.h"
#include "orda_pck_entry.h"
#include "orda_property_value.h"

ORDA_DEFINE_PACKAGE_EXPORTS

namespace {

ORDAInputDefinition s_inputs[] = {{nullptr, 0, nullptr, 0, 0}};
ORDAOutputDefinition s_outputs[] = {{nullptr, 0, ORDATypeInfo(), 0, 0, 0, 0}};
ORDAPropertyDefinition s_properties[] = {
    {{"count", nullptr, nullptr, false, true, true, true, 0}},
    {{nullptr, nullptr, nullptr, false, false, false, false, 0}},
};
ORDAActionDefinition s_actions[] = {{{nullptr, nullptr, false, {0, 0, 0}}}};

class Counter : public ORDAComponent {
public:
    Counter(const char* name, ORDAComponentDefinition& d) : ORDAComponent(name, d) {}
    void Core() override
    {
        DirectSet(Property("count"), Property("count")->IntegerValue() + 1);
        Wait4Event(m_idle, 1000);
    }
    ORDAEvent m_idle{false, nullptr};
};

ORDAComponent* Instantiate(const char* name, ORDAComponentDefinition& definition)
{
    return new Counter(name, definition);
}

}

ORDAComponentDefinition g_counterModel{"TestCounter", "0.1", Instantiate, nullptr, nullptr, 0, 0, s_inputs, 0,
                                       s_outputs, 0xFFFFFFFFu, s_properties, 0, s_actions, 128, ORDA::Threaded,
                                       true, 0};

namespace {
struct Registrar {
    Registrar()
    {
        s_properties[0].value = new ORDAPropertyValue(0);
        ORDA::RegisterComponentModel("ORDATestCounter", &g_counterModel);
    }
};
ORDA_MODEL_INIT_PRIORITY(1) Registrar s_registrar;
}
