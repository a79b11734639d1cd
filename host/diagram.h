#pragma once
// A diagram on the stand-in engine: components joined output to input,
// started together and stopped together. It does not own the components.
#include <vector>

class ORDAComponent;

namespace ordavix_host {

class Engine;

class Diagram {
public:
    explicit Diagram(Engine& engine) : m_engine(engine) {}
    Diagram(const Diagram&) = delete;
    Diagram& operator=(const Diagram&) = delete;

    void Add(ORDAComponent* component);
    // Output `output` of `writer` to input `input` of `reader`, both added
    // if they are not yet; false when the engine refuses the connection.
    bool Connect(ORDAComponent* writer, int output, ORDAComponent* reader, int input);
    // In the order added; a start that fails throws, as Start does.
    void StartAll();
    // Every component is told to die before any is shut down: a reader
    // parked in a wait while it holds a writer's slots then leaves at once
    // instead of holding that writer's shutdown. Then each shuts down, the
    // last added first.
    void StopAll();
    const std::vector<ORDAComponent*>& Components() const { return m_components; }

private:
    Engine& m_engine;
    std::vector<ORDAComponent*> m_components;
};

}
