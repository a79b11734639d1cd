#pragma once
// Writer and reader components on the host engine, joined with
// Engine::Attach. The writer is sequential and written to from the test
// thread (or threaded, writing in its own Core); readers run a body the
// test supplies and record what they receive.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "orda_component.h"
#include "orda_input.h"
#include "orda_io_monitor.h"
#include "orda_output.h"
#include "orda_private.h"
#include "ordavix_host.h"

namespace flow_test {

class Flow;

class Node : public ORDAComponent {
public:
    Node(const char* name, ORDAComponentDefinition& d) : ORDAComponent(name, d) {}
    void Core() override
    {
        try {
            if (body) body(*this);
            else Wait4Event(idle, ORDA::Infinite);
        } catch (int e) {
            thrown = e;
            thrownEvent.Set();
            throw;
        }
    }
    void SequentialCore(ORDAInput* input) override
    {
        ++sequentialCalls;
        ORDAComponent::SequentialCore(input);
    }

    void Record(ORDATimestamp t)
    {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(t);
        changed.notify_all();
    }
    std::vector<ORDATimestamp> Seen()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return seen;
    }
    // Generous limit: a slow machine must not fail the test.
    bool WaitSeen(size_t count, int ms = 20000)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(ms), [&] { return seen.size() >= count; });
    }
    ORDAInputImplementation& In(int i = 0) { return *static_cast<ORDAInputImplementation*>(Input(i)); }
    ORDAOutputImplementation& Out(int i = 0) { return *static_cast<ORDAOutputImplementation*>(Output(i)); }

    std::function<void(Node&)> body;
    std::atomic<int> thrown{0};
    std::atomic<int> sequentialCalls{0};
    ORDAEvent thrownEvent{false, nullptr};
    ORDAEvent idle{false, nullptr};
    ORDAEvent go{false, nullptr};
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<ORDATimestamp> seen;
};

// Polls a condition with a generous limit.
inline bool Eventually(const std::function<bool()>& condition, int ms = 20000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

// True while the input's reader is registered as waiting in its FIFO.
inline bool IsWaiting(ORDAInputImplementation& in)
{
    ORDAMutexGuard<ORDAMutex> guard(in.inputLock);
    if (!in.fifo) return false;
    ORDAMutexGuard<ORDAMutex> fifoGuard(in.fifo->lock);
    return in.fifo->readers->IsWaiting(in.readerIndex);
}

struct InputSpec {
    int readerType = ORDA::FifoReader;
    int subsampling = 1;
};

class Flow : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = std::make_unique<ordavix_host::Engine>();
        engine->SetQuiet(true);
    }
    void TearDown() override
    {
        // Readers first: a writer's shutdown waits for readers holding its slots.
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
            (*it)->idle.Set();
            if (!((*it)->State() & ORDA::DeadState)) (*it)->Shutdown();
        }
        for (Node* n : nodes) delete n;
        nodes.clear();
        engine.reset();
    }

    // A component with the given inputs and, if fifoSize > 0, one 64-bit output.
    Node* Make(const char* name, bool threaded, std::vector<InputSpec> inputs, int fifoSize = 0, int outSub = 1)
    {
        auto& ins = inputTables.emplace_back();
        std::vector<std::string>& names = nameTables.emplace_back();
        for (size_t i = 0; i < inputs.size(); ++i) names.push_back("in" + std::to_string(i));
        for (size_t i = 0; i < inputs.size(); ++i)
            ins.push_back({names[i].c_str(), 0, nullptr, inputs[i].readerType, inputs[i].subsampling});
        ins.push_back({nullptr, 0, nullptr, 0, 0});
        auto& outs = outputTables.emplace_back();
        if (fifoSize > 0) outs.push_back({"out", 0, ORDATypeInfo(ORDA::Integer64), 1, fifoSize, outSub, 0});
        outs.push_back({nullptr, 0, ORDATypeInfo(), 0, 0, 0, 0});
        static ORDAPropertyDefinition noProperties[] = {{{nullptr, nullptr, nullptr, false, false, false, false, 0}}};
        static ORDAActionDefinition noActions[] = {{{nullptr, nullptr, false, {0, 0, 0}}}};
        models.push_back(ORDAComponentDefinition{
            "FlowNode", "1.0", nullptr, nullptr, nullptr, 0xFFFFFFFFu, static_cast<std::uint32_t>(inputs.size()),
            ins.data(), fifoSize > 0 ? 1u : 0u, outs.data(), 0, noProperties, 0, noActions, 128,
            threaded ? ORDA::Threaded : (ORDA::Threaded | ORDA::Sequential), threaded, 0});
        Node* n = new Node(name, models.back());
        nodes.push_back(n);
        return n;
    }
    Node* Writer(int fifoSize = 4, int outSub = 1) { return Make("W", false, {}, fifoSize, outSub); }
    // A sequential writer and one reader "R" running `body`, connected and started.
    std::pair<Node*, Node*> StartedPair(bool threadedReader, InputSpec input, std::function<void(Node&)> body,
                                        int fifoSize = 4, int outSub = 1)
    {
        Node* w = Writer(fifoSize, outSub);
        Node* r = Make("R", threadedReader, {input});
        r->body = std::move(body);
        Connect(w, r);
        w->Start();
        r->Start();
        return {w, r};
    }

    void Connect(Node* writer, Node* reader, int input = 0)
    {
        ASSERT_TRUE(engine->Attach(writer->Output(0), reader->Input(input)));
    }
    // One sample from the test thread through a sequential writer.
    void Write(Node* writer, ORDATimestamp t)
    {
        ORDAIOElt* e = writer->StartWriting(*writer->Output(0), t);
        ASSERT_NE(e, nullptr);
        writer->StopWriting(e, false);
    }
    bool HasReport(const std::string& text) const
    {
        for (const auto& r : engine->Reports())
            if (r.text == text) return true;
        return false;
    }
    ORDAProperty* Prop(const std::string& fullName) { return engine->Property(fullName.c_str()); }

    std::unique_ptr<ordavix_host::Engine> engine;
    std::vector<Node*> nodes;
    std::deque<std::vector<ORDAInputDefinition>> inputTables;
    std::deque<std::vector<std::string>> nameTables;
    std::deque<std::vector<ORDAOutputDefinition>> outputTables;
    std::deque<ORDAComponentDefinition> models;
};

}
