#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "orda_io_elt.h"

namespace {

constexpr unsigned Unknown = 0xFFFFFFFFu;

struct SizeCase {
    const char* what;
    ORDATypeInfoValue type;
    int B, V;
    unsigned used, needed;
    int contiguous;  // 1 yes, 0 no, -1 left untouched
};

// Header-free types, in the order the rules are tried.
const SizeCase sizeCases[] = {
    {"int8", ORDA::Integer8, 10, 3, 3, 10, 1},
    {"int16", ORDA::Integer16, 10, 3, 6, 20, 1},
    {"int32", ORDA::Integer32, 10, 3, 12, 40, 1},
    {"int64", ORDA::Integer64, 10, 3, 24, 80, 1},
    {"uint8", ORDA::UnsignedInteger8, 10, 3, 3, 10, 1},
    {"uint16", ORDA::UnsignedInteger16, 10, 3, 6, 20, 1},
    {"uint32", ORDA::UnsignedInteger32, 10, 3, 12, 40, 1},
    {"uint64", ORDA::UnsignedInteger64, 10, 3, 24, 80, 1},
    {"float32", ORDA::Float32, 10, 3, 12, 40, 1},
    {"float64", ORDA::Float64, 10, 3, 24, 80, 1},
    {"text short", ORDA::TextAscii, 10, 4, 5, 10, 1},
    {"text full", ORDA::TextAscii, 10, 10, 10, 10, 1},
    {"unicode", ORDA::TextUnicode, 10, 3, 6, 20, 1},
    {"can", ORDA::CANFrame, 10, 3, 72, 240, 1},
    {"can fd", ORDA::CANFDFrame, 10, 3, 240, 800, 1},
    {"can uni", ORDA::CANUniFrame, 10, 3, 288, 960, 1},
    {"real objects", ORDA::RealObject, 2, 1, 320, 640, 1},
    {"drawing objects", ORDA::DrawingObject, 2, 1, 96, 192, 1},
    {"structure", ORDA::Structure, 10, 3, 10, 10, 1},
    {"custom", ORDA::CustomType, 10, 3, Unknown, Unknown, 0},
    {"dynamic structure", ORDA::DynamicStructure, 10, 3, Unknown, 10, -1},
    {"no code", ORDA::VectorFlag, 10, 3, Unknown, 10, -1},
    // The first rule that matches decides.
    {"int8 before structure", ORDA::Integer8 | ORDA::Structure, 10, 3, 3, 10, 1},
    {"float64 before text", ORDA::Float64 | ORDA::TextAscii, 10, 3, 24, 80, 1},
    {"flags do not matter", ORDA::VectorFlag | ORDA::QualityFlag | ORDA::Integer16, 10, 3, 6, 20, 1},
    {"negative vector size holds nothing", ORDA::Integer32, 10, -2, 0, 40, 1},
};

class SizeRules : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeRules, UsedAndNeededBytes)
{
    const SizeCase& c = GetParam();
    std::vector<std::uint8_t> buffer(4096);
    ORDAIOEltImplementation e;
    e.type.value = c.type;
    e.bufferSize = c.B;
    e.vectorSize = c.V;
    EXPECT_EQ(e.IOEltUsedSizeInBytes(nullptr), 0u) << "no buffer";
    EXPECT_EQ(e.IOEltBufferSizeInBytes(nullptr), 0u) << "no buffer";
    e.data = buffer.data();

    for (bool initial : {false, true}) {
        bool contiguous = initial;
        EXPECT_EQ(e.IOEltUsedSizeInBytes(&contiguous), c.used);
        EXPECT_EQ(contiguous, c.contiguous < 0 ? initial : c.contiguous == 1);
        contiguous = initial;
        EXPECT_EQ(e.IOEltBufferSizeInBytes(&contiguous), c.needed);
        EXPECT_EQ(contiguous, c.contiguous < 0 ? initial : c.contiguous == 1);
    }
    EXPECT_EQ(e.IOEltUsedSizeInBytes(nullptr), c.used);
}
INSTANTIATE_TEST_SUITE_P(Types, SizeRules, ::testing::ValuesIn(sizeCases));

class CompositeSizes : public ::testing::Test {
protected:
    template <class H>
    H& Header(ORDATypeInfoValue type, int B, int V)
    {
        e.type.value = type;
        e.bufferSize = B;
        e.vectorSize = V;
        e.data = buffer.data();
        std::fill(buffer.begin(), buffer.end(), 0);
        return *reinterpret_cast<H*>(buffer.data());
    }
    unsigned Used()
    {
        bool contiguous = true;
        unsigned n = e.IOEltUsedSizeInBytes(&contiguous);
        EXPECT_FALSE(contiguous);
        return n;
    }
    unsigned Needed() { return e.IOEltBufferSizeInBytes(nullptr); }

    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(4096);
    ORDAIOEltImplementation e;
    double values[12] = {};
};

TEST_F(CompositeSizes, Matrix)
{
    auto& m = Header<ORDAMatrix>(ORDA::Matrix, 12, 12);
    m.rows = 3;
    m.cols = 4;
    EXPECT_EQ(Used(), 40u);
    m.firstArray = values;
    EXPECT_EQ(Used(), 40u + 96);
    m.secondArray = values;
    EXPECT_EQ(Used(), 40u + 192);
    EXPECT_EQ(Needed(), 40u + 16 * 12);
}

TEST_F(CompositeSizes, IplImage)
{
    auto& h = Header<IplImage>(ORDA::IplImage, 1000, 1);
    h.imageSize = 600;
    EXPECT_EQ(Used(), 144u);
    IplROI roi{};
    h.roi = &roi;
    EXPECT_EQ(Used(), 164u);
    h.imageData = reinterpret_cast<char*>(buffer.data() + 164);
    EXPECT_EQ(Used(), 764u);
    EXPECT_EQ(Needed(), 1164u);
}

TEST_F(CompositeSizes, ORDAImageAudioAndTriangles)
{
    auto& image = Header<ORDAImage>(ORDA::ORDAImage, 100, 1);
    image.imageSize = 50;
    EXPECT_EQ(Used(), 48u);
    image.imageData = reinterpret_cast<char*>(buffer.data() + 48);
    EXPECT_EQ(Used(), 98u);
    EXPECT_EQ(Needed(), 148u);

    auto& audio = Header<ORDAAudioSignal>(ORDA::AudioSignal, 100, 1);
    audio.streamSizeInBytes = 64;
    EXPECT_EQ(Used(), 88u);  // counted whether or not samples are attached
    EXPECT_EQ(Needed(), 124u);

    auto& t = Header<ORDATriangles3D>(ORDA::Triangles3D, 10, 3);
    EXPECT_EQ(Used(), 48u);
    ORDA3DPoint points[3];
    t.points = points;
    EXPECT_EQ(Used(), 48u + 72);
    ORDA3DObject objects[3];
    ORDA3DTriangle triangles[3];
    t.objects = objects;
    t.triangles = triangles;
    EXPECT_EQ(Used(), 48u + 48 + 72 + 48);
    EXPECT_EQ(Needed(), 48u + 560);
}

TEST(SerializedDataSize, CountsTheDataPart)
{
    EXPECT_EQ(ORDAIOElt::SerializedIOEltSizeInBytes(nullptr), -1);
    std::vector<std::uint8_t> buffer(4096);
    struct Case {
        ORDATypeInfoValue type;
        int B, V, bytes;
    } cases[] = {
        {ORDA::Integer32, 10, 3, 12},   {ORDA::Float64, 10, 3, 24},     {ORDA::TextAscii, 10, 4, 4},
        {ORDA::TextAscii, 10, 10, 10},  {ORDA::CANFDFrame, 4, 2, 160}, {ORDA::Stream16, 8, 3, 6},
        {ORDA::RealObject, 3, 1, 960},  {ORDA::DrawingObject, 3, 1, 288}, {ORDA::Structure, 10, 3, 10},
        {ORDA::AudioSignal, 50, 1, 50}, {ORDA::DynamicStructure, 70, 3, 70}, {ORDA::CustomType, 10, 3, -1},
    };
    for (const Case& c : cases) {
        ORDAIOEltImplementation e;
        e.type.value = c.type;
        e.bufferSize = c.B;
        e.vectorSize = c.V;
        e.data = buffer.data();
        EXPECT_EQ(ORDAIOElt::SerializedIOEltSizeInBytes(&e), c.bytes) << std::hex << c.type;
    }
}

}
