// Output buffer allocation: the layout of every payload kind and the exact
// kernel-error texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "fifo_kernel.h"
#include "orda_io_monitor.h"
#include "orda_output.h"
#include "orda_payload_headers.h"
#include "orda_type_codes.h"

namespace {

using dataflow_test::FifoKernel;

struct Buffers : ::testing::Test {
    FifoKernel kernel;
    std::unique_ptr<ORDAOutputImplementation> out;

    ORDAOutputImplementation& Output(ORDATypeInfoValue type, int size, int fifoSize = 3)
    {
        ORDAOutputDefinition d{"o", 0, ORDATypeInfo(type), size, fifoSize, 1, 0};
        out = std::make_unique<ORDAOutputImplementation>(d, nullptr, "C.o", "o");
        return *out;
    }
    ORDAIOEltImplementation& Element(int k)
    {
        ORDAFifoSlot* s = out->monitor->Newest();
        while (k-- > 0) s = s->next;
        return s->element;
    }
    char* Data(int k) { return static_cast<char*>(Element(k).data); }
    void ExpectKernelError(const std::function<void()>& call, const std::string& text)
    {
        kernel.ClearReports();
        try {
            call();
            ADD_FAILURE() << "no kernel error: " << text;
        } catch (int e) {
            EXPECT_EQ(e, ORDA::ErrorException);
        }
        const auto errors = kernel.Errors();
        ASSERT_FALSE(errors.empty());
        EXPECT_EQ(errors.back(), text);
    }
};

TEST_F(Buffers, VectorOutputsCarryTheVectorFlag)
{
    EXPECT_TRUE(Output(ORDA::Integer32, 10).Type().value & ORDA::VectorFlag);
    EXPECT_FALSE(Output(ORDA::Integer32, 1).Type().value & ORDA::VectorFlag);
    EXPECT_EQ(out->monitor->Count(), 3);
}

struct LayoutCase {
    ORDATypeInfoValue type;
    int size;
    int items;
    int slotBytes;
};

TEST_F(Buffers, EachTypeGetsItsSlotSize)
{
    const LayoutCase cases[] = {
        {ORDA::Integer8, 10, 10, 10},         {ORDA::Integer16, 10, 10, 20},
        {ORDA::Integer32, 10, 10, 40},        {ORDA::Integer64, 10, 10, 80},
        {ORDA::Float32, 10, 10, 40},          {ORDA::Float64, 10, 10, 80},
        {ORDA::UnsignedInteger16, 10, 10, 20}, {ORDA::TextAscii, 10, 10, 10},
        {ORDA::TextUnicode, 10, 10, 20},      {ORDA::CANFrame, 10, 10, 240},
        {ORDA::CANFDFrame, 10, 10, 800},      {ORDA::CANUniFrame, 10, 10, 960},
        {ORDA::Matrix, 10, 10, 200},          {ORDA::RealObject, 2, 2, 640},
        {ORDA::DrawingObject, 2, 2, 192},     {ORDA::Triangles3D, 10, 10, 608},
        {ORDA::IplImage, 100, -1, 264},       {ORDA::ORDAImage, 100, -1, 148},
        {ORDA::AudioSignal, 100, -1, 124},    {ORDA::DynamicStructure, 10, 10, 10},
        {ORDA::Structure, 10, 10, 10},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.type);
        Output(c.type, c.size);
        out->AllocOutputBuffer(c.size, true);
        EXPECT_EQ(out->bufferItems, c.items);
        EXPECT_EQ(out->IOEltSizeBytes(), c.slotBytes);
        for (int k = 0; k < 3; ++k) {
            const bool header = c.items < 0 || c.type == ORDA::Matrix || c.type == ORDA::Triangles3D;
            const int stride = header ? (c.slotBytes + 7) / 8 * 8 : c.slotBytes;
            EXPECT_EQ(Data(k), static_cast<char*>(out->buffer) + k * stride);
            EXPECT_EQ(Element(k).bufferSize, c.size);
            EXPECT_EQ(Element(k).type.value, out->Type().value);
        }
    }
    EXPECT_TRUE(kernel.Errors().empty());
}

TEST_F(Buffers, CompositeHeadersPointIntoTheirSlot)
{
    Output(ORDA::Matrix, 6);
    out->AllocOutputBufferMatrix(2, 3);
    auto* m = reinterpret_cast<ORDAMatrix*>(Data(1));
    EXPECT_EQ(m->rows, 2);
    EXPECT_EQ(m->cols, 3);
    EXPECT_EQ(reinterpret_cast<char*>(m->firstArray), Data(1) + 40);
    EXPECT_EQ(reinterpret_cast<char*>(m->secondArray), Data(1) + 40 + 48);

    Output(ORDA::ORDAImage, 64);
    out->AllocOutputBufferImage(64, 8, 8, 0x31323334, 0x41424344, false);
    auto* image = reinterpret_cast<ORDAImage*>(Data(2));
    EXPECT_EQ(image->imageData, Data(2) + 48);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(image->imageId), 2);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(image->imageId2), 0xDEAD);
    EXPECT_EQ(std::memcmp(image->imageCoding, "4321", 4), 0);
    EXPECT_EQ(out->IOEltSizeBytes(), 112);

    Output(ORDA::IplImage, 1);
    IplImage model{};
    model.align = 8;
    model.imageSize = 100;
    model.width = 10;
    model.height = 10;
    out->AllocOutputBufferIplImage(model, false);
    auto* ipl = reinterpret_cast<IplImage*>(Data(1));
    EXPECT_EQ(ipl->imageDataOrigin, Data(1) + 164);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(ipl->imageData) % 8, 0u);
    EXPECT_GT(ipl->imageData, ipl->imageDataOrigin);
    EXPECT_EQ(ipl->roi->width, 10);
    EXPECT_EQ(reinterpret_cast<char*>(ipl->roi), Data(1) + 144);
    EXPECT_EQ(out->IOEltSizeBytes(), 272);

    Output(ORDA::AudioSignal, 1);
    ORDAAudioSignal audio{1, 2, 16, 48000, 96, nullptr};
    out->AllocOutputBufferAudioSignal(audio);
    auto* a = reinterpret_cast<ORDAAudioSignal*>(Data(0));
    EXPECT_EQ(a->samplesPerSecond, 48000u);
    EXPECT_EQ(static_cast<char*>(a->streamData), Data(0) + 24);
    EXPECT_EQ(Element(0).bufferSize, 96);
}

TEST_F(Buffers, WithoutAllocationOnlySizesAreSet)
{
    Output(ORDA::Integer32, 4);
    out->AllocOutputBuffer(4, false);
    EXPECT_EQ(out->buffer, nullptr);
    EXPECT_EQ(Element(0).bufferSize, 4);
    EXPECT_EQ(Element(0).data, nullptr);
    EXPECT_EQ(out->IOEltSizeBytes(), 16);
}

TEST_F(Buffers, SizeZeroAllocatesNothingAndMayBeRepeated)
{
    Output(ORDA::Integer32, 0);
    out->AllocOutputBuffer(0, true);
    EXPECT_EQ(out->bufferItems, 0);
    EXPECT_EQ(out->buffer, nullptr);
    out->AllocOutputBuffer(5, true);
    EXPECT_EQ(out->bufferItems, 5);
    out->FreeBuffers();
    EXPECT_EQ(out->bufferItems, 0);
    EXPECT_EQ(out->IOEltSizeBytes(), 0);
}

TEST_F(Buffers, AllocationFailuresHaveTheirTexts)
{
    Output(ORDA::Integer32, 4);
    ExpectKernelError([&] { out->AllocOutputBuffer(-3, true); }, "AllocOutputBuffer:150: isize [-3] < 0");
    out->AllocOutputBuffer(4, true);
    ExpectKernelError([&] { out->AllocOutputBuffer(4, true); },
                      "Output buffer already initialized. Can't initialize an output buffer twice.");

    Output(ORDA::ORDAImage, 1);
    ExpectKernelError([&] { out->AllocOutputBufferImage(-1, 2, 2, 0, 0, false); },
                      "AllocOutputBufferImage:582: isize [-1] < 0");
    ExpectKernelError([&] { out->AllocOutputBufferImage(4, -2, 2, 0, 0, false); },
                      "AllocOutputBufferImage:584: w [-2] < 0");
    ExpectKernelError([&] { out->AllocOutputBufferImage(4, 2, -5, 0, 0, false); },
                      "AllocOutputBufferImage:585: h [-5] < 0");

    Output(ORDA::IplImage, 1);
    IplImage model{};
    model.imageSize = -7;
    model.align = 4;
    ExpectKernelError([&] { out->AllocOutputBufferIplImage(model, false); },
                      "AllocOutputBufferIplImage:546: model.imageSize [-7] < 0");
    // Pixels are placed on a multiple of align: zero cannot be honoured.
    model.imageSize = 16;
    model.align = 0;
    ExpectKernelError([&] { out->AllocOutputBufferIplImage(model, false); },
                      "AllocOutputBufferIplImage:546: model.align [0] <= 0");
    EXPECT_EQ(out->bufferItems, 0);
    out->AllocOutputBufferIplImage(model, true);
    EXPECT_EQ(out->IOEltSizeBytes(), 180);
}

TEST_F(Buffers, AVectorWithoutItsFlagIsReportedNotThrown)
{
    Output(ORDA::Integer32, 1);
    out->AllocOutputBuffer(8, true);
    const auto errors = kernel.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Output o is a vector but its vector flag is not set.");
    EXPECT_EQ(out->bufferItems, 8);
}

TEST_F(Buffers, AnUnobtainableBlockNamesSizesAndOutput)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator aborts instead of throwing";
#else
    Output(ORDA::Integer8, 1);
    // The block size follows the FIFO size of the definition.
    out->definition.fifoSize = 1 << 30;
    kernel.ClearReports();
    EXPECT_THROW(out->AllocateSharedMemory(1 << 30), int);
    const auto errors = kernel.Errors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("AllocateSharedMemory:80: Failed to allocate [buffer_size:1073741824 x "
                              "fifo_size:1073741824 = 1152921504606846976] bytes for output [C.o] due to: "
                              "std::bad_alloc: ",
                              0),
              0u)
        << errors[0];
#endif
}

}
