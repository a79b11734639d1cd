// A diagram started and stopped as a whole while the clock changes under it.
#include "diagram.h"
#include "flow_fixture.h"

namespace {

using flow_test::Flow;
using flow_test::Node;

// Reads one sample and keeps it through a rest far longer than any test.
void HoldAndRest(Node& n)
{
    ORDAIOElt* e = n.StartReading(*n.Input(0));
    n.Record(e->Timestamp());
    n.Rest(600000000, nullptr);
}

TEST_F(Flow, ADiagramFollowsAJumpAndStopsThoughReadersRestOnTheWritersSlots)
{
    ordavix_host::Diagram diagram(*engine);
    Node* holder = Make("H", true, {{ORDA::FifoReader, 1}});
    holder->body = HoldAndRest;
    // Fails on its own after its first sample, which it still holds then.
    Node* failing = Make("F", true, {{ORDA::FifoReader, 1}});
    failing->body = [](Node& n) {
        ORDAIOElt* e = n.StartReading(*n.Input(0));
        n.Record(e->Timestamp());
        n.Error("gave up", 0);
    };
    Node* w = Make("W", true, {}, 8);
    w->body = [](Node& n) {
        n.StopWriting(n.StartWriting(*n.Output(0), ORDAPrivate::kernel->CurrentTime(false, false)), false);
        n.Rest(1000, nullptr);
    };
    Node* s = Make("S", false, {{ORDA::FifoReader, 1}});
    s->body = [](Node& n) {
        ORDAIOElt* e = n.StartReading(*n.Input(0));
        n.Record(e ? e->Timestamp() : -1);
    };
    // The writer is shut down before the readers that hold its slots.
    diagram.Add(holder);
    diagram.Add(failing);
    ASSERT_TRUE(diagram.Connect(w, 0, holder, 0));
    ASSERT_TRUE(diagram.Connect(w, 0, failing, 0));
    ASSERT_TRUE(diagram.Connect(w, 0, s, 0));
    EXPECT_FALSE(diagram.Connect(w, 1, s, 0));
    EXPECT_EQ(diagram.Components(), (std::vector<ORDAComponent*>{holder, failing, w, s}));

    diagram.StartAll();
    ASSERT_TRUE(s->WaitSeen(3));
    ASSERT_TRUE(holder->WaitSeen(1));
    ASSERT_TRUE(failing->WaitSeen(1));
    ASSERT_TRUE(flow_test::Eventually([&] { return (failing->State() & ORDA::DeadState) != 0; }));
    EXPECT_EQ(failing->In().heldCount, 0) << "a dead reader holds no slot of its writer";

    const ORDATimestamp target = engine->CurrentTime(false, false) + 3600000000LL;
    engine->Jump(target);
    const size_t before = s->Seen().size();
    ASSERT_TRUE(s->WaitSeen(before + 2));
    EXPECT_GE(s->Seen().back(), target);

    diagram.StopAll();
    for (Node* n : {holder, failing, w, s}) EXPECT_TRUE(n->State() & ORDA::DeadState) << n->Name();
    EXPECT_EQ(holder->thrown.load(), ORDA::ModuleDied);
    EXPECT_EQ(failing->thrown.load(), ORDA::ErrorException);
}

}
