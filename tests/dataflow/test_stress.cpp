// One threaded writer, readers of every type; the host detaches and
// re-attaches them and components stop and start at random. Bounded
// iterations with a fixed seed: every run ends, clean under the sanitizers.
#include <random>

#include "flow_fixture.h"

namespace {

using flow_test::Flow;
using flow_test::Node;

TEST_F(Flow, RandomDetachAttachAndStopsNeverHangOrCorrupt)
{
    Node* w = Make("W", true, {}, 6);
    std::atomic<ORDATimestamp> next{1};
    w->body = [&](Node& n) {
        n.StopWriting(n.StartWriting(*n.Output(0), next++), false);
        n.Rest(50, nullptr);
    };
    const int types[] = {ORDA::FifoReader,      ORDA::NeverSkippingReader, ORDA::LastOrNextReader,
                         ORDA::Wait4NextReader, ORDA::SamplingReader,      ORDA::FifoReader};
    std::vector<Node*> readers;
    std::vector<std::string> names;
    for (size_t i = 0; i < std::size(types); ++i) names.push_back("R" + std::to_string(i));
    for (size_t i = 0; i < std::size(types); ++i) {
        Node* r = Make(names[i].c_str(), true, {{types[i], i == 5 ? 2 : 1}});
        r->body = [](Node& n) {
            ORDAIOElt* e = n.StartReading(*n.Input(0));
            // A FIFO-type reader never sees a stamp go back while it stays
            // attached (0 marks a detach: a new reader reads the backlog).
            const ORDATimestamp t = e->Timestamp();
            const auto seen = n.Seen();
            if (!seen.empty() && seen.back() != 0 && n.In().definition.readerType <= ORDA::LastOrNextReader) {
                EXPECT_GT(t, seen.back());
            }
            n.Record(t);
        };
        Connect(w, r);
        readers.push_back(r);
    }
    for (Node* r : readers) r->Start();
    w->Start();

    std::mt19937 rng(20240611u);
    for (int step = 0; step < 300; ++step) {
        Node* r = readers[rng() % readers.size()];
        switch (rng() % 4) {
        case 0:
            engine->DetachInput(r->Input(0));
            r->Record(0);
            break;
        case 1:
            if (!r->Input(0)->IsConnected()) {
                EXPECT_TRUE(engine->Attach(w->Output(0), r->Input(0)));
            }
            break;
        case 2:
            if (r->State() & ORDA::LivingState) {
                r->Shutdown();
                EXPECT_TRUE(r->State() & ORDA::DeadState);
            } else {
                r->Start();
            }
            break;
        default:
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            break;
        }
    }
    for (Node* r : readers) {
        if (!r->Input(0)->IsConnected()) engine->Attach(w->Output(0), r->Input(0));
        if (!(r->State() & ORDA::LivingState)) r->Start();
    }
    // Every reader is still served after all that.
    for (Node* r : readers) {
        const size_t before = r->Seen().size();
        EXPECT_TRUE(r->WaitSeen(before + 2)) << r->Name();
    }
    w->Shutdown();
    for (Node* r : readers) r->Shutdown();
    for (Node* r : readers) EXPECT_TRUE(r->State() & ORDA::DeadState);
}

}
