// The process-wide table of blocks per selected channel.
#include <gtest/gtest.h>

#include "bus/vt_channel_map.h"

namespace {

using Names = VtChannelMap::BlockNames;

Names Get(const char* model, const char* ip, const char* channel) { return VtChannelMap::GetBlockNames(model, ip, channel); }

TEST(ChannelMap, NamesAreUniqueInInsertionOrder)
{
    VtChannelMap::InsertBlockName("A", "VtCanMonitoring", "127.0.0.1", "CAN1");
    VtChannelMap::InsertBlockName("A", "VtCanMonitoring", "127.0.0.1", "CAN1");
    EXPECT_EQ(VtChannelMap::ToString(Get("VtCanMonitoring", "127.0.0.1", "CAN1")), "A");
    VtChannelMap::InsertBlockName("B", "VtCanMonitoring", "127.0.0.1", "CAN1");
    EXPECT_EQ(VtChannelMap::ToString(Get("VtCanMonitoring", "127.0.0.1", "CAN1")), "A,B");

    VtChannelMap::RemoveBlockName("A", "VtCanMonitoring", "127.0.0.1", "CAN1");
    VtChannelMap::RemoveBlockName("B", "VtCanMonitoring", "127.0.0.1", "CAN1");
    EXPECT_TRUE(Get("VtCanMonitoring", "127.0.0.1", "CAN1").empty());
}

TEST(ChannelMap, RemovingWhatIsAbsentChangesNothing)
{
    VtChannelMap::InsertBlockName("A", "VtCanInject", "10.0.0.1", "CAN2");
    VtChannelMap::RemoveBlockName("Z", "VtCanInject", "10.0.0.1", "CAN2");
    VtChannelMap::RemoveBlockName("A", "VtCanInject", "10.0.0.1", "CAN9");
    EXPECT_EQ(VtChannelMap::ToString(Get("VtCanInject", "10.0.0.1", "CAN2")), "A");
    VtChannelMap::RemoveBlockName("A", "VtCanInject", "10.0.0.1", "CAN2");
    EXPECT_TRUE(Get("VtCanInject", "10.0.0.1", "CAN2").empty());
}

TEST(ChannelMap, CustomChannelsAreNeverRecorded)
{
    VtChannelMap::InsertBlockName("A", "VtCanMonitoring", "127.0.0.1", "Custom channel");
    VtChannelMap::InsertBlockName("B", "VtCanMonitoring", "127.0.0.1", "Custom channel");
    EXPECT_TRUE(Get("VtCanMonitoring", "127.0.0.1", "Custom channel").empty());
}

TEST(ChannelMap, ModelAndIpArePartOfTheKey)
{
    VtChannelMap::InsertBlockName("Mon", "VtCanMonitoring", "127.0.0.1", "CAN3");
    VtChannelMap::InsertBlockName("Inj", "VtCanInject", "127.0.0.1", "CAN3");
    VtChannelMap::InsertBlockName("Other", "VtCanMonitoring", "127.0.0.2", "CAN3");
    EXPECT_EQ(VtChannelMap::ToString(Get("VtCanMonitoring", "127.0.0.1", "CAN3")), "Mon");
    EXPECT_EQ(VtChannelMap::ToString(Get("VtCanInject", "127.0.0.1", "CAN3")), "Inj");
    VtChannelMap::RemoveBlockName("Mon", "VtCanMonitoring", "127.0.0.1", "CAN3");
    VtChannelMap::RemoveBlockName("Inj", "VtCanInject", "127.0.0.1", "CAN3");
    VtChannelMap::RemoveBlockName("Other", "VtCanMonitoring", "127.0.0.2", "CAN3");
}

TEST(ChannelMap, ToStringOfNothingIsEmpty) { EXPECT_EQ(VtChannelMap::ToString({}), ""); }

}
