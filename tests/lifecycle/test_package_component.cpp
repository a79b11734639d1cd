// The engine drives a component that a loaded package created, through
// the runtime it shares with the package.
#include <gtest/gtest.h>

#include "orda_component.h"
#include "ordavix_host.h"
#include "package.h"

namespace {

TEST(PackageComponent, TheEngineRunsAComponentOfALoadedPackage)
{
    ordavix_host::Engine engine;
    engine.SetQuiet(true);
    ordavix_host::Package package(std::string(std::getenv("ORDAVIX_BUILD_DIR")) + "/tests/counter_package.so",
                                  &engine);
    ORDAComponentDefinition* model = package.FindModel("TestCounter");
    ASSERT_NE(model, nullptr);
    ORDAComponent* c = engine.Instantiate(*model, "Counter1");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->Kind(), "component");
    EXPECT_STREQ(c->ModelName(), "TestCounter");
    EXPECT_NE(engine.Property("Counter1.count"), nullptr);

    c->Start();
    ASSERT_TRUE(engine.WaitForState("Counter1", [](int s) { return (s & ORDA::LivingState) != 0; }, 10000));
    // Get reads under the property lock; the component writes meanwhile.
    auto count = [c] {
        long v = 0;
        c->Property("count")->Get(v);
        return v;
    };
    for (int i = 0; i < 1000 && count() < 3; ++i) {
        ORDAEvent pause(false, nullptr);
        pause.Wait(10000);
    }
    EXPECT_GE(count(), 3);
    c->Shutdown();
    EXPECT_TRUE(c->State() & ORDA::DeadState);
    delete c;
    EXPECT_EQ(engine.Property("Counter1.count"), nullptr);
}

}
