// Accessors of the CAN sample records: identifier masking, known/unknown
// flags, the data-length byte of misc.
#include <gtest/gtest.h>

#include <cstring>

#include "orda_can_frames.h"

namespace {

ORDACANUniFrame Blank()
{
    ORDACANUniFrame f;
    std::memset(&f, 0, sizeof f);
    return f;
}

TEST(CanUniFrame, StandardIdIsMaskedAndMarkedKnown)
{
    ORDACANUniFrame f = Blank();
    f.SetStandardId(0x923);
    EXPECT_EQ(f.id, 0x123u);
    EXPECT_EQ(f.GetId(), 0x123u);
    EXPECT_FALSE(f.HasExtendedId());
    EXPECT_TRUE(f.HasFlag<ORDACANUniFrame::Flag_ExtendedId>());
    EXPECT_FALSE(f.GetFlag<ORDACANUniFrame::Flag_ExtendedId>());
}

TEST(CanUniFrame, ExtendedIdIsMaskedTo29Bits)
{
    ORDACANUniFrame f = Blank();
    f.SetExtendedId(0xFFFFFFFF);
    EXPECT_EQ(f.id, 0x1FFFFFFFu);
    EXPECT_EQ(f.GetId(), 0x1FFFFFFFu);
    EXPECT_TRUE(f.HasExtendedId());
}

TEST(CanUniFrame, AFlagCountsOnlyWhenKnown)
{
    ORDACANUniFrame f = Blank();
    f.id = 0x1ABCDEF;
    f.flags = (1u << ORDACANUniFrame::Flag_ExtendedId) | (1u << ORDACANUniFrame::Flag_FD);
    EXPECT_FALSE(f.HasExtendedId());
    EXPECT_EQ(f.GetId(), 0x1ABCDEFu & 0x7FF);
    EXPECT_FALSE(f.IsFD());
    f.hasFlags = 1u << ORDACANUniFrame::Flag_FD;
    EXPECT_TRUE(f.IsFD());
}

TEST(CanUniFrame, SetFlagFalseIsKnownAndFalse)
{
    ORDACANUniFrame f = Blank();
    f.flags = 0xFFFFFFFF;
    f.SetFlag<ORDACANUniFrame::Flag_BRS>(false);
    EXPECT_EQ(f.flags & 0x80u, 0u);
    EXPECT_EQ(f.hasFlags, 0x80u);
    EXPECT_EQ(f.flags | 0x80u, 0xFFFFFFFFu);  // the other bits are left alone
}

TEST(CanUniFrame, DataLengthIsByteOneOfMisc)
{
    ORDACANUniFrame f = Blank();
    f.misc = 0xA1B2C3D4;
    f.SetDataLength(64);
    EXPECT_EQ(f.misc, 0xA1B240D4u);
    EXPECT_EQ(f.GetDataLength(), 64u);
    f.SetChannelId(7);
    f.SetFrameType(ORDACANUniFrame::Type_Error);
    EXPECT_EQ(f.GetDataLength(), 64u);
    EXPECT_EQ(f.GetChannelId(), 7u);
    EXPECT_EQ(f.GetFrameType(), ORDACANUniFrame::Type_Error);
}

TEST(CanUniFrame, DlcCodingRoundTrips)
{
    for (std::uint8_t dlc = 0; dlc < 16; ++dlc)
        EXPECT_EQ(ORDACANUniFrame::DataLengthToDLC(ORDACANUniFrame::DLCToDataLength(dlc)), dlc);
    EXPECT_EQ(ORDACANUniFrame::DataLengthToDLC(9), 0xFF);
}

TEST(CanFrame, ExtendedIdSetsBit29AndReadersSeeIt)
{
    ORDACANFrame f{};
    f.SetExtendedId(0x1ABCDE01);
    EXPECT_EQ(f.arbitrationId, 0x1ABCDE01u | ORDACANFrame::ExtendedId);
    EXPECT_TRUE(f.HasExtendedId());
    EXPECT_EQ(f.GetId(), 0x1ABCDE01u);
    f.SetStandardId(0x7FF);
    EXPECT_TRUE(f.HasStandardId());
    EXPECT_EQ(f.GetId(), 0x7FFu);
}

TEST(CanFrame, DataLengthKeepsTheLowByte)
{
    ORDACANFrame f{};
    f.SetDataLength(0x109);
    EXPECT_EQ(f.dataLength, 9);
    ORDACANFDFrame fd{};
    fd.SetDataLength(64);
    EXPECT_EQ(fd.GetDataLength(), 64);
}

}
