#include "diagram.h"

#include <algorithm>

#include "orda_component.h"
#include "ordavix_host.h"

namespace ordavix_host {

void Diagram::Add(ORDAComponent* component)
{
    if (component && std::find(m_components.begin(), m_components.end(), component) == m_components.end())
        m_components.push_back(component);
}

bool Diagram::Connect(ORDAComponent* writer, int output, ORDAComponent* reader, int input)
{
    if (!writer || !reader || output < 0 || output >= writer->NbOutputs() || input < 0 || input >= reader->NbInputs())
        return false;
    Add(writer);
    Add(reader);
    return m_engine.Attach(writer->Output(output), reader->Input(input));
}

void Diagram::StartAll()
{
    for (ORDAComponent* c : m_components) c->Start();
}

void Diagram::StopAll()
{
    // Chosen before any dies: a thread that ends on the dying event shows
    // DeadState, yet its shutdown still has readers to release.
    std::vector<ORDAComponent*> running;
    for (ORDAComponent* c : m_components)
        if (!(c->State() & ORDA::DeadState)) running.push_back(c);
    for (ORDAComponent* c : running) c->Die();
    for (auto it = running.rbegin(); it != running.rend(); ++it) (*it)->Shutdown();
}

}
