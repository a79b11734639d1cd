#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "io_fixture.h"
#include "orda_io_elt.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <class T>
T At(const Bytes& b, std::size_t offset)
{
    T v;
    std::memcpy(&v, b.data() + offset, sizeof v);
    return v;
}

template <class T>
void Put(Bytes& b, T v)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
    b.insert(b.end(), p, p + sizeof v);
}

// An element whose buffer the test owns.
struct Owned {
    explicit Owned(std::size_t bytes = 0) : storage(bytes)
    {
        if (bytes) e.data = storage.data();
    }
    ~Owned()
    {
        // Buffers the element allocated itself are released by its owner.
        if (e.data && (storage.empty() || e.data != storage.data())) std::free(e.data);
    }
    Bytes storage;
    ORDAIOEltImplementation e;
};

class Serialization : public WithEngine {
protected:
    Bytes Serialize(ORDAIOElt& e)
    {
        const int n = e.Serialize(nullptr, 0);
        EXPECT_GT(n, 0);
        Bytes block(n > 0 ? n : 0, 0xEE);
        EXPECT_EQ(e.Serialize(block.data(), static_cast<unsigned>(block.size())), n);
        return block;
    }
    void Fill(ORDAIOEltImplementation& e)
    {
        e.timestamp = 1234567890123;
        e.timeOfIssue = 999;
        e.frequency = -77;
        e.quality = 42;
        e.misc1 = 1;
        e.misc2 = -2;
        e.misc3 = 3;
    }
    void ExpectSameFields(ORDAIOEltImplementation& a, ORDAIOEltImplementation& b)
    {
        EXPECT_EQ(a.vectorSize, b.vectorSize);
        EXPECT_EQ(a.timestamp, b.timestamp);
        EXPECT_EQ(a.type.value, b.type.value);
        EXPECT_STREQ(a.type.Name() ? a.type.Name() : "", b.type.Name() ? b.type.Name() : "");
        EXPECT_STREQ(a.type.Unit() ? a.type.Unit() : "", b.type.Unit() ? b.type.Unit() : "");
        EXPECT_EQ(a.frequency, b.frequency);
        EXPECT_EQ(a.quality, b.quality);
        EXPECT_EQ(a.misc1, b.misc1);
        EXPECT_EQ(a.misc2, b.misc2);
        EXPECT_EQ(a.misc3, b.misc3);
    }
};

// ---- exact layout -----------------------------------------------------------

TEST_F(Serialization, FixedPartOfAnElementWithoutBufferIs68Bytes)
{
    ORDAIOEltImplementation e;
    e.bufferSize = 7;
    e.vectorSize = 5;
    e.type.value = ORDA::VectorFlag | ORDA::Integer16;
    Fill(e);
    EXPECT_EQ(e.Serialize(nullptr, 0), 68);

    Bytes block(68, 0xEE);
    ASSERT_EQ(e.Serialize(block.data(), 68), 68);
    EXPECT_EQ(At<std::int32_t>(block, 0), 102);
    EXPECT_EQ(At<std::int32_t>(block, 4), 7);
    EXPECT_EQ(At<std::int32_t>(block, 8), 5);
    EXPECT_EQ(At<std::int64_t>(block, 12), 1234567890123);
    EXPECT_EQ(At<std::int64_t>(block, 20), 999);
    EXPECT_EQ(At<std::int64_t>(block, 28), ORDA::VectorFlag | ORDA::Integer16);
    EXPECT_EQ(At<std::int32_t>(block, 36), 0);  // unit length
    EXPECT_EQ(At<std::int32_t>(block, 40), 0);  // name length
    EXPECT_EQ(At<std::int64_t>(block, 44), -77);
    EXPECT_EQ(At<std::int32_t>(block, 52), 42);
    EXPECT_EQ(At<std::int32_t>(block, 56), 1);
    EXPECT_EQ(At<std::int32_t>(block, 60), -2);
    EXPECT_EQ(At<std::int32_t>(block, 64), 3);
    EXPECT_TRUE(engine.Reports().empty());
}

TEST_F(Serialization, EmptyStringsCountAsAbsent)
{
    ORDAIOEltImplementation e;
    e.type.SetName("");
    e.type.SetUnit(nullptr);
    EXPECT_EQ(e.Serialize(nullptr, 0), 68);
}

TEST_F(Serialization, StringsAndDataFollowTheFixedFields)
{
    Owned o(8);
    ORDAIOEltImplementation& e = o.e;
    e.bufferSize = 2;
    e.vectorSize = 2;
    e.type = ORDATypeInfo(ORDA::Integer32, "volts", "mV");
    Fill(e);
    const std::int32_t items[2] = {0x11223344, -5};
    std::memcpy(e.data, items, sizeof items);
    const int total = 68 + 3 + 6 + 8;
    ASSERT_EQ(e.Serialize(nullptr, 0), total);
    Bytes block = Serialize(e);
    ASSERT_EQ(block.size(), static_cast<std::size_t>(total));
    EXPECT_EQ(At<std::int32_t>(block, 36), 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[40]), 3), std::string("mV\0", 3));
    EXPECT_EQ(At<std::int32_t>(block, 43), 5);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[47]), 6), std::string("volts\0", 6));
    EXPECT_EQ(At<std::int64_t>(block, 53), -77);
    EXPECT_EQ(At<std::int32_t>(block, 61), 42);
    EXPECT_EQ(At<std::int32_t>(block, 73), 3);
    EXPECT_EQ(At<std::int32_t>(block, 77), 0x11223344);
    EXPECT_EQ(At<std::int32_t>(block, 81), -5);
}

TEST_F(Serialization, CapacityOneShortIsRefusedSilently)
{
    Owned o(40);
    o.e.type.value = ORDA::Float64;
    o.e.bufferSize = 5;
    o.e.vectorSize = 5;
    o.e.type.SetUnit("s");
    const int total = o.e.Serialize(nullptr, 0);
    ASSERT_EQ(total, 68 + 2 + 40);
    Bytes block(total);
    EXPECT_EQ(o.e.Serialize(block.data(), total - 1), -1);
    EXPECT_TRUE(engine.Reports().empty());
    EXPECT_EQ(o.e.Serialize(block.data(), total), total);
}

// ---- reading older and newer formats ---------------------------------------

Bytes OldBlock(int version)
{
    Bytes b;
    Put<std::int32_t>(b, version);
    Put<std::int32_t>(b, 3);  // buffer size
    Put<std::int32_t>(b, 2);  // vector size
    Put<std::int64_t>(b, 5000);
    if (version > 100) Put<std::int64_t>(b, 777);
    Put<std::int64_t>(b, ORDA::VectorFlag | ORDA::Integer16);
    Put<std::int32_t>(b, 1);
    b.push_back('V');
    b.push_back(0);
    Put<std::int32_t>(b, 0);
    Put<std::int64_t>(b, 50);
    Put<std::int32_t>(b, 9);
    Put<std::int32_t>(b, 10);
    Put<std::int32_t>(b, 11);
    Put<std::int32_t>(b, 12);
    Put<std::int16_t>(b, -300);
    Put<std::int16_t>(b, 301);
    return b;
}

TEST_F(Serialization, ReadsVersions100And101)
{
    for (int version : {100, 101, 99}) {
        Bytes block = OldBlock(version);
        Owned o;
        o.e.timeOfIssue = 4;
        ASSERT_EQ(o.e.Deserialize(block.data(), true), 0) << version;
        EXPECT_EQ(o.e.bufferSize, 3);
        EXPECT_EQ(o.e.vectorSize, 2);
        EXPECT_EQ(o.e.timestamp, 5000);
        EXPECT_EQ(o.e.timeOfIssue, 4);
        EXPECT_EQ(o.e.type.value, ORDA::VectorFlag | ORDA::Integer16);
        EXPECT_STREQ(o.e.type.Unit(), "V");
        EXPECT_EQ(o.e.type.name, nullptr);
        EXPECT_EQ(o.e.frequency, 50);
        EXPECT_EQ(o.e.quality, 9);
        EXPECT_EQ(o.e.misc3, 12);
        const auto* items = static_cast<const std::int16_t*>(o.e.data);
        EXPECT_EQ(items[0], -300);
        EXPECT_EQ(items[1], 301);
    }
    EXPECT_TRUE(engine.Reports().empty());
}

TEST_F(Serialization, RefusesANewerVersion)
{
    Bytes block = OldBlock(102);
    std::int32_t v = 103;
    std::memcpy(block.data(), &v, 4);
    Owned o;
    EXPECT_EQ(o.e.Deserialize(block.data(), true), -1);
    EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"Wrong binary format version for ORDAIOElt, received = 103, current = 102"});
    EXPECT_EQ(o.e.data, nullptr);
}

// ---- contiguous round trips -------------------------------------------------

struct Contiguous {
    const char* name;
    ORDATypeInfoValue type;
    int itemBytes;
};

const Contiguous contiguousTypes[] = {
    {"int8", ORDA::Integer8, 1},          {"int16", ORDA::Integer16, 2},
    {"int32", ORDA::Integer32, 4},        {"int64", ORDA::Integer64, 8},
    {"uint8", ORDA::UnsignedInteger8, 1}, {"uint16", ORDA::UnsignedInteger16, 2},
    {"uint32", ORDA::UnsignedInteger32, 4}, {"uint64", ORDA::UnsignedInteger64, 8},
    {"float32", ORDA::Float32, 4},        {"float64", ORDA::Float64, 8},
    {"unicode", ORDA::TextUnicode, 2},    {"can", ORDA::CANFrame, 24},
    {"can fd", ORDA::CANFDFrame, 80},     {"can uni", ORDA::CANUniFrame, 96},
    {"real objects", ORDA::RealObject, 320}, {"drawing objects", ORDA::DrawingObject, 96},
    {"structure", ORDA::Structure, 1},
};

class ContiguousRoundTrip : public Serialization, public ::testing::WithParamInterface<Contiguous> {};

TEST_P(ContiguousRoundTrip, IntoNewAndIntoAllocatedBuffers)
{
    const Contiguous& c = GetParam();
    const int B = 6, V = 4;
    Owned src(static_cast<std::size_t>(B) * c.itemBytes);
    std::iota(src.storage.begin(), src.storage.end(), std::uint8_t{1});
    src.e.bufferSize = B;
    src.e.vectorSize = V;
    src.e.type = ORDATypeInfo(ORDA::VectorFlag | c.type, "n", "u");
    Fill(src.e);
    const std::size_t used = c.type == ORDA::Structure ? B : static_cast<std::size_t>(V) * c.itemBytes;
    Bytes block = Serialize(src.e);
    ASSERT_EQ(block.size(), 68 + 2 + 2 + used);

    Owned fresh;
    ASSERT_EQ(fresh.e.Deserialize(block.data(), true), 0);
    ASSERT_NE(fresh.e.data, nullptr);
    EXPECT_EQ(fresh.e.bufferSize, B);
    ExpectSameFields(src.e, fresh.e);
    EXPECT_EQ(std::memcmp(fresh.e.data, src.e.data, used), 0);
    EXPECT_EQ(fresh.e.timeOfIssue, 0);

    Owned allocated(static_cast<std::size_t>(B + 2) * c.itemBytes);
    allocated.e.bufferSize = B + 2;
    allocated.e.type.value = c.type;
    allocated.e.timeOfIssue = 31;
    ASSERT_EQ(allocated.e.Deserialize(block.data(), false), 0);
    EXPECT_EQ(allocated.e.bufferSize, B + 2);
    ExpectSameFields(src.e, allocated.e);
    EXPECT_EQ(std::memcmp(allocated.storage.data(), src.e.data, used), 0);
    EXPECT_EQ(allocated.e.timeOfIssue, 31);
    EXPECT_TRUE(engine.Reports().empty());
}
INSTANTIATE_TEST_SUITE_P(Types, ContiguousRoundTrip, ::testing::ValuesIn(contiguousTypes),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (ch == ' ') ch = '_';
                             return n;
                         });

TEST_F(Serialization, TextGetsItsTerminatorOnlyWhenShort)
{
    for (int V : {4, 10}) {
        Owned src(10);
        std::memcpy(src.e.data, "abcdefghij", 10);
        src.e.type.value = ORDA::TextAscii;
        src.e.bufferSize = 10;
        src.e.vectorSize = V;
        if (V == 4) static_cast<char*>(src.e.data)[4] = 'X';  // terminator missing in the source
        Bytes block = Serialize(src.e);
        EXPECT_EQ(block.size(), 68u + (V == 4 ? 5 : 10));

        Owned dst(10);
        std::memset(dst.storage.data(), '#', 10);
        dst.e.bufferSize = 10;
        dst.e.type.value = ORDA::TextAscii;
        ASSERT_EQ(dst.e.Deserialize(block.data(), false), 0);
        const std::string text(reinterpret_cast<const char*>(dst.storage.data()), 10);
        EXPECT_EQ(text, V == 4 ? std::string("abcd\0#####", 10) : std::string("abcdefghij")) << V;
    }
}

// The element's buffer may be larger than the block's: the block still
// says how many bytes it carries.
TEST_F(Serialization, LargerDestinationReadsOnlyTheBlock)
{
    for (ORDATypeInfoValue type : {ORDA::TextAscii, ORDA::Structure}) {
        Owned src(10);
        std::memcpy(src.e.data, "abcdefghij", 10);
        src.e.type.value = type;
        src.e.bufferSize = src.e.vectorSize = 10;
        const Bytes block = Serialize(src.e);
        // Exactly as long as the block, so that reading beyond it is caught.
        Bytes exact(block);
        exact.shrink_to_fit();

        Owned dst(16);
        std::memset(dst.storage.data(), '#', 16);
        dst.e.type.value = type;
        dst.e.bufferSize = 16;
        ASSERT_EQ(dst.e.Deserialize(exact.data(), false), 0);
        const std::string text(reinterpret_cast<const char*>(dst.storage.data()), 12);
        EXPECT_EQ(text, type == ORDA::TextAscii ? std::string("abcdefghij\0#", 12) : std::string("abcdefghij##"));
    }
}

TEST_F(Serialization, ZeroLengthStringsEmptyWithoutCreating)
{
    Owned src(4);
    src.e.type.value = ORDA::Integer32;
    src.e.bufferSize = src.e.vectorSize = 1;
    Bytes block = Serialize(src.e);

    Owned named(4);
    named.e.bufferSize = 1;
    named.e.type = ORDATypeInfo(ORDA::Integer32, "old", nullptr);
    ASSERT_EQ(named.e.Deserialize(block.data(), false), 0);
    ASSERT_NE(named.e.type.name, nullptr);
    EXPECT_STREQ(named.e.type.Name(), "");
    EXPECT_EQ(named.e.type.unit, nullptr);
}

// ---- composite round trips ---------------------------------------------------

TEST_F(Serialization, MatrixRoundTrip)
{
    const int rows = 2, cols = 3, B = 8;
    std::vector<double> first = {1, 2, 3, 4, 5, 6}, second = {-1, -2, -3, -4, -5, -6};
    for (bool withSecond : {true, false}) {
        Owned src(40);
        auto& m = *static_cast<ORDAMatrix*>(src.e.data);
        m.reserved = 77;
        m.rows = rows;
        m.cols = cols;
        m.firstArray = first.data();
        m.secondArray = withSecond ? second.data() : nullptr;
        src.e.type.value = ORDA::Matrix;
        src.e.bufferSize = B;
        src.e.vectorSize = rows * cols;
        Bytes block = Serialize(src.e);
        ASSERT_EQ(block.size(), 68u + 40 + 48 * (withSecond ? 2 : 1));
        // The copied header points into the block.
        EXPECT_EQ(At<std::uint8_t*>(block, 68 + 16), block.data() + 108);
        EXPECT_EQ(At<std::uint8_t*>(block, 68 + 24), withSecond ? block.data() + 156 : nullptr);

        Owned fresh;
        ASSERT_EQ(fresh.e.Deserialize(block.data(), true), 0);
        auto& r = *static_cast<ORDAMatrix*>(fresh.e.data);
        auto* base = static_cast<std::uint8_t*>(fresh.e.data);
        EXPECT_EQ(r.reserved, 77);
        EXPECT_EQ(r.rows, rows);
        EXPECT_EQ(r.cols, cols);
        ASSERT_EQ(reinterpret_cast<std::uint8_t*>(r.firstArray), base + 40);
        EXPECT_EQ(std::vector<double>(r.firstArray, r.firstArray + 6), first);
        if (withSecond) {
            ASSERT_EQ(reinterpret_cast<std::uint8_t*>(r.secondArray), base + 40 + 48);
            EXPECT_EQ(std::vector<double>(r.secondArray, r.secondArray + 6), second);
        } else {
            EXPECT_EQ(r.secondArray, nullptr);
        }

        Owned allocated(40 + 16 * B);
        allocated.e.type.value = ORDA::Matrix;
        allocated.e.bufferSize = B;
        ASSERT_EQ(allocated.e.Deserialize(block.data(), false), 0);
        auto& a = *static_cast<ORDAMatrix*>(allocated.e.data);
        auto* abase = allocated.storage.data();
        ASSERT_EQ(reinterpret_cast<std::uint8_t*>(a.firstArray), abase + 40);
        EXPECT_EQ(std::vector<double>(a.firstArray, a.firstArray + 6), first);
        if (withSecond) {
            ASSERT_EQ(reinterpret_cast<std::uint8_t*>(a.secondArray), abase + 40 + 8 * B);
            EXPECT_EQ(std::vector<double>(a.secondArray, a.secondArray + 6), second);
        }
    }
    EXPECT_TRUE(engine.Reports().empty());
}

TEST_F(Serialization, IplImageRoundTrip)
{
    const int B = 64;
    Bytes pixels(48);
    std::iota(pixels.begin(), pixels.end(), std::uint8_t{7});
    IplROI roi{1, 2, 3, 4, 5};
    for (bool withRoi : {true, false}) {
        Owned src(144);
        auto& h = *static_cast<IplImage*>(src.e.data);
        h.nSize = 144;
        h.width = 4;
        h.height = 4;
        std::memcpy(h.colorModel, "RGB", 4);
        h.imageSize = 48;
        h.imageData = reinterpret_cast<char*>(pixels.data());
        h.roi = withRoi ? &roi : nullptr;
        h.BorderConst[3] = 9;
        src.e.type.value = ORDA::IplImage;
        src.e.bufferSize = B;
        src.e.vectorSize = 1;
        Bytes block = Serialize(src.e);
        ASSERT_EQ(block.size(), 68u + 144 + (withRoi ? 20 : 0) + 48);

        Owned fresh;
        ASSERT_EQ(fresh.e.Deserialize(block.data(), true), 0);
        auto* base = static_cast<std::uint8_t*>(fresh.e.data);
        auto& r = *reinterpret_cast<IplImage*>(base);
        EXPECT_EQ(r.width, 4);
        EXPECT_STREQ(r.colorModel, "RGB");
        EXPECT_EQ(r.BorderConst[3], 9);
        if (withRoi) {
            ASSERT_EQ(reinterpret_cast<std::uint8_t*>(r.roi), base + 144);
            EXPECT_EQ(r.roi->height, 5);
        } else {
            EXPECT_EQ(r.roi, nullptr);
        }
        ASSERT_EQ(reinterpret_cast<std::uint8_t*>(r.imageData), base + (withRoi ? 164 : 144));
        EXPECT_EQ(Bytes(r.imageData, r.imageData + 48), pixels);

        // An element that had its own ROI record and pixel buffer keeps them.
        Owned allocated(64 + 164);
        auto& own = *reinterpret_cast<IplImage*>(allocated.storage.data());
        own.roi = reinterpret_cast<IplROI*>(allocated.storage.data() + 144);
        own.imageData = reinterpret_cast<char*>(allocated.storage.data() + 164);
        allocated.e.type.value = ORDA::IplImage;
        allocated.e.bufferSize = B;
        ASSERT_EQ(allocated.e.Deserialize(block.data(), false), 0);
        EXPECT_EQ(own.imageData, reinterpret_cast<char*>(allocated.storage.data() + 164));
        EXPECT_EQ(Bytes(own.imageData, own.imageData + 48), pixels);
        if (withRoi) {
            EXPECT_EQ(own.roi->xOffset, 2);
        }
    }
}

TEST_F(Serialization, ORDAImageAndAudioRoundTrip)
{
    Bytes pixels(30, 0x5A);
    {
        Owned src(48);
        auto& h = *static_cast<ORDAImage*>(src.e.data);
        h.width = 5;
        h.height = 6;
        h.imageSize = 30;
        h.imageData = reinterpret_cast<char*>(pixels.data());
        std::memcpy(h.imageCoding, "GRAY", 4);
        src.e.type.value = ORDA::ORDAImage;
        src.e.bufferSize = 32;
        src.e.vectorSize = 1;
        Bytes block = Serialize(src.e);
        ASSERT_EQ(block.size(), 68u + 48 + 30);
        Owned fresh;
        ASSERT_EQ(fresh.e.Deserialize(block.data(), true), 0);
        auto& r = *static_cast<ORDAImage*>(fresh.e.data);
        EXPECT_EQ(reinterpret_cast<std::uint8_t*>(r.imageData), static_cast<std::uint8_t*>(fresh.e.data) + 48);
        EXPECT_EQ(Bytes(r.imageData, r.imageData + 30), pixels);
        EXPECT_EQ(std::string(r.imageCoding, 4), "GRAY");
    }
    {
        Bytes samples(40);
        std::iota(samples.begin(), samples.end(), std::uint8_t{100});
        Owned src(24);
        auto& h = *static_cast<ORDAAudioSignal*>(src.e.data);
        h.channels = 2;
        h.bitsPerSample = 16;
        h.samplesPerSecond = 44100;
        h.streamSizeInBytes = 40;
        h.streamData = samples.data();
        src.e.type.value = ORDA::AudioSignal;
        src.e.bufferSize = 64;
        src.e.vectorSize = 1;
        Bytes block = Serialize(src.e);
        ASSERT_EQ(block.size(), 68u + 24 + 40);

        Owned allocated(64 + 24);
        auto& own = *reinterpret_cast<ORDAAudioSignal*>(allocated.storage.data());
        own.streamData = allocated.storage.data() + 24;
        allocated.e.type.value = ORDA::AudioSignal;
        allocated.e.bufferSize = 64;
        ASSERT_EQ(allocated.e.Deserialize(block.data(), false), 0);
        EXPECT_EQ(own.samplesPerSecond, 44100u);
        EXPECT_EQ(own.streamData, allocated.storage.data() + 24);
        EXPECT_EQ(Bytes(allocated.storage.begin() + 24, allocated.storage.begin() + 64), samples);
    }
}

TEST_F(Serialization, AudioWithoutSamplesStillWritesItsAnnouncedSize)
{
    Owned src(24);
    auto& h = *static_cast<ORDAAudioSignal*>(src.e.data);
    h.streamSizeInBytes = 16;
    src.e.type.value = ORDA::AudioSignal;
    src.e.bufferSize = 16;
    const int total = src.e.Serialize(nullptr, 0);
    Bytes block(total);
    EXPECT_EQ(src.e.Serialize(block.data(), total), total);
    Owned fresh;
    ASSERT_EQ(fresh.e.Deserialize(block.data(), true), 0);
    EXPECT_EQ(static_cast<ORDAAudioSignal*>(fresh.e.data)->streamData, nullptr);
}

TEST_F(Serialization, Triangles3DRoundTrip)
{
    const int B = 4, V = 3;
    std::vector<ORDA3DObject> objects = {{{1, 2, 3, 4}}, {{5, 6, 7, 8}}, {{9, 10, 11, 12}}};
    std::vector<ORDA3DPoint> points = {{0.5, 1.5, 2.5}, {3, 4, 5}, {-1, -2, -3}};
    std::vector<ORDA3DTriangle> triangles = {{{0, 1, 2, 0}}, {{1, 2, 0, 1}}, {{2, 0, 1, 2}}};
    Owned src(48);
    auto& h = *static_cast<ORDATriangles3D*>(src.e.data);
    h.nbObjects = h.nbPoints = h.nbTriangles = V;
    h.objects = objects.data();
    h.points = points.data();
    h.triangles = triangles.data();
    src.e.type.value = ORDA::Triangles3D;
    src.e.bufferSize = B;
    src.e.vectorSize = V;
    Bytes block = Serialize(src.e);
    ASSERT_EQ(block.size(), 68u + 48 + 56 * V);

    Owned fresh;
    ASSERT_EQ(fresh.e.Deserialize(block.data(), true), 0);
    auto* base = static_cast<std::uint8_t*>(fresh.e.data);
    auto& r = *reinterpret_cast<ORDATriangles3D*>(base);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(r.objects), base + 48);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(r.points), base + 48 + 16 * B);
    EXPECT_EQ(reinterpret_cast<std::uint8_t*>(r.triangles), base + 48 + 40 * B);
    EXPECT_EQ(r.objects[2].words[3], 12);
    EXPECT_EQ(r.points[1].y, 4);
    EXPECT_EQ(r.triangles[1].words[0], 1);
    EXPECT_EQ(r.nbPoints, V);

    // An element without a points array: the copy stops there, still a success.
    Owned partial(48 + 56 * B);
    auto& own = *reinterpret_cast<ORDATriangles3D*>(partial.storage.data());
    own.objects = reinterpret_cast<ORDA3DObject*>(partial.storage.data() + 48);
    partial.e.type.value = ORDA::Triangles3D;
    partial.e.bufferSize = B;
    ASSERT_EQ(partial.e.Deserialize(block.data(), false), 0);
    EXPECT_EQ(own.objects[0].words[1], 2);
    EXPECT_EQ(own.points, nullptr);
    EXPECT_TRUE(engine.Reports().empty());
}

// ---- failures ---------------------------------------------------------------

TEST_F(Serialization, SerializeFailures)
{
    Owned dynamic(16);
    dynamic.e.type = ORDATypeInfo(ORDA::DynamicStructure, "ORDApcap_data_t", nullptr);
    dynamic.e.bufferSize = dynamic.e.vectorSize = 16;
    EXPECT_EQ(dynamic.e.Serialize(nullptr, 0), -1);
    Bytes block(4096);
    EXPECT_EQ(dynamic.e.Serialize(block.data(), 4096), -1);
    EXPECT_EQ(ErrorTexts(),
              std::vector<std::string>{"ORDAIOElt serialization is not possible : destination memory is too small."});

    // Without a buffer, only the fixed part is written, whatever the type.
    ORDAIOEltImplementation bare;
    bare.type.value = ORDA::DynamicStructure;
    EXPECT_EQ(bare.Serialize(block.data(), 68), 68);
}

TEST_F(Serialization, DeserializeFailures)
{
    Owned src(40);
    src.e.type.value = ORDA::Integer32;
    src.e.bufferSize = 10;
    src.e.vectorSize = 8;
    Bytes block = Serialize(src.e);

    struct Case {
        const char* what;
        std::function<int()> call;
        const char* report;
    };
    Owned unallocated;
    Owned small(36);
    small.e.type.value = ORDA::Integer32;
    small.e.bufferSize = 9;
    Owned bytesForAnotherType(10);
    bytesForAnotherType.e.type.value = ORDA::Integer8;
    bytesForAnotherType.e.bufferSize = 10;
    Bytes vectorTooBig = block;
    std::int32_t v = 11;
    std::memcpy(vectorTooBig.data() + 8, &v, 4);
    Owned custom;
    ORDAIOEltImplementation customSource;
    customSource.type.value = ORDA::CustomType;
    customSource.bufferSize = 4;
    Bytes customBlock = Serialize(customSource);

    const Case cases[] = {
        {"null source", [&] { return unallocated.e.Deserialize(nullptr, true); },
         "ORDAIOElt deserialization impossible : source pointer is NULL"},
        {"no buffer, no allocation", [&] { return unallocated.e.Deserialize(block.data(), false); },
         "ORDAIOElt deserialization impossible : destination is not allocated properly."},
        {"buffer too small", [&] { return small.e.Deserialize(block.data(), false); },
         "ORDAIOElt deserialization impossible : deserialized buffer size is bigger than allocated buffer size."},
        {"vector beyond buffer", [&] { return unallocated.e.Deserialize(vectorTooBig.data(), true); },
         "ORDAIOElt deserialization impossible : deserialized vector size is bigger than allocated buffer size."},
        {"buffer holds a smaller item type",
         [&] { return bytesForAnotherType.e.Deserialize(block.data(), false); },
         "ORDAIOElt deserialization impossible : deserialized buffer size is bigger than allocated buffer size."},
        {"custom type", [&] { return custom.e.Deserialize(customBlock.data(), true); },
         "ORDAIOElt deserialization not supported for custom types."},
    };
    for (const Case& c : cases) {
        engine.ClearReports();
        EXPECT_EQ(c.call(), -1) << c.what;
        EXPECT_EQ(ErrorTexts(), std::vector<std::string>{c.report}) << c.what;
    }
    EXPECT_EQ(unallocated.e.data, nullptr);
    EXPECT_EQ(custom.e.data, nullptr);
}

TEST_F(Serialization, MatrixLargerThanTheBufferIsRefused)
{
    std::vector<double> values(12, 1.0);
    Owned src(40);
    auto& m = *static_cast<ORDAMatrix*>(src.e.data);
    m.rows = 3;
    m.cols = 4;
    m.firstArray = values.data();
    src.e.type.value = ORDA::Matrix;
    src.e.bufferSize = 2;  // dimensions claim more items than the buffer holds
    Bytes block = Serialize(src.e);
    Owned fresh;
    EXPECT_EQ(fresh.e.Deserialize(block.data(), true), -1);
    EXPECT_EQ(ErrorTexts(), std::vector<std::string>{"ORDAIOElt deserialization impossible : deserialized vector size "
                                                     "is bigger than allocated buffer size."});
}

TEST_F(Serialization, StoredStringLengthBoundsTheRead)
{
    Owned src(4);
    src.e.type = ORDATypeInfo(ORDA::Integer32, "abc", nullptr);
    src.e.bufferSize = src.e.vectorSize = 1;
    Bytes block = Serialize(src.e);
    // Overwrite the name's terminator: the name still ends after 3 characters.
    ASSERT_EQ(block[40 + 4 + 3], 0);
    block[40 + 4 + 3] = 'Z';
    Owned dst;
    ASSERT_EQ(dst.e.Deserialize(block.data(), true), 0);
    EXPECT_STREQ(dst.e.type.Name(), "abc");
}

TEST_F(Serialization, IsDeserializableReportsAndSaysYes)
{
    EXPECT_TRUE(ORDAIOElt::IsDeserializable(nullptr));
    EXPECT_EQ(ErrorTexts(),
              std::vector<std::string>{"ORDAIOElt::IsDeserializable not implemented yet. Returns always true."});
}

}
