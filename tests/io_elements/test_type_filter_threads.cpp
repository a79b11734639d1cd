#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "orda_type_filter.h"

namespace {

// A shared patterned filter is used from many component threads at once.
TEST(FilterPattern, SharedFilterFromManyThreads)
{
    ORDATypeFilterBase filter(ORDA::TypeMask, ORDA::DynamicStructure, ORDA::TypeMask, "^ORDApcap_data_t$");
    std::vector<std::thread> threads;
    std::vector<int> hits(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            ORDATypeInfo good(ORDA::DynamicStructure, "ORDApcap_data_t", nullptr);
            ORDATypeInfo bad(ORDA::DynamicStructure, "ORDAcan_t", nullptr);
            for (int i = 0; i < 500; ++i) hits[t] += filter.Match(good) + filter.Match(bad);
        });
    }
    for (auto& th : threads) th.join();
    for (int h : hits) EXPECT_EQ(h, 500);
}

}
