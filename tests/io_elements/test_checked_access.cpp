#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "io_fixture.h"
#include "orda_filters.h"
#include "orda_io_elt.h"

namespace {

const char* const TypingError = "Check error : Incorrect typing during I/O element access.";
const char* const IndexError = "Check error : Bad vector index during I/O element access.";
const char* const NullError =
    "Check error : A NULL I/O Element was disregarded by a component (probably due a detachment not taken into "
    "account).";

struct Accessor {
    const char* name;
    ORDATypeInfoValue code;  // a type the accessor accepts
    bool indexed;
    std::function<const void*(ORDAIOElt&, int)> call;
};

const std::vector<Accessor>& Accessors()
{
    static const std::vector<Accessor> table = {
        {"Integer", ORDA::Integer32, true, [](ORDAIOElt& e, int i) { return (const void*)&e.Integer(i); }},
        {"Integer32", ORDA::Integer32, true, [](ORDAIOElt& e, int i) { return (const void*)&e.Integer32(i); }},
        {"Integer64", ORDA::Integer64, true, [](ORDAIOElt& e, int i) { return (const void*)&e.Integer64(i); }},
        {"Float64", ORDA::Float64, true, [](ORDAIOElt& e, int i) { return (const void*)&e.Float64(i); }},
        {"Double", ORDA::Float64, true, [](ORDAIOElt& e, int i) { return (const void*)&e.Double(i); }},
        {"Float32", ORDA::Float32, true, [](ORDAIOElt& e, int i) { return (const void*)&e.Float32(i); }},
        {"CANFrame", ORDA::CANFrame, true, [](ORDAIOElt& e, int i) { return (const void*)&e.CANFrame(i); }},
        {"RealObject", ORDA::RealObject, true, [](ORDAIOElt& e, int i) { return (const void*)&e.RealObject(i); }},
        {"DrawingObject", ORDA::DrawingObject, true,
         [](ORDAIOElt& e, int i) { return (const void*)&e.DrawingObject(i); }},
        {"Text", ORDA::TextAscii, false, [](ORDAIOElt& e, int) { return (const void*)e.Text(); }},
        {"TextAscii", ORDA::TextAscii, false, [](ORDAIOElt& e, int) { return (const void*)e.TextAscii(); }},
        {"TextUnicode", ORDA::TextUnicode, false, [](ORDAIOElt& e, int) { return (const void*)e.TextUnicode(); }},
        {"IplImage", ORDA::IplImage, false, [](ORDAIOElt& e, int) { return (const void*)&e.IplImage(); }},
        {"ORDAImage", ORDA::ORDAImage, false, [](ORDAIOElt& e, int) { return (const void*)&e.ORDAImage(); }},
        {"Matrix", ORDA::Matrix, false, [](ORDAIOElt& e, int) { return (const void*)&e.Matrix(); }},
        {"Triangles3D", ORDA::Triangles3D, false, [](ORDAIOElt& e, int) { return (const void*)&e.Triangles3D(); }},
        {"Stream8", ORDA::Stream8, false, [](ORDAIOElt& e, int) { return (const void*)e.Stream8(); }},
        {"Stream16", ORDA::Stream16, false, [](ORDAIOElt& e, int) { return (const void*)e.Stream16(); }},
        {"Stream32", ORDA::Stream32, false, [](ORDAIOElt& e, int) { return (const void*)e.Stream32(); }},
        {"AudioSignal", ORDA::AudioSignal, false, [](ORDAIOElt& e, int) { return (const void*)&e.AudioSignal(); }},
    };
    return table;
}

int ItemBytes(ORDATypeInfoValue code)
{
    switch (code) {
    case ORDA::Integer32: case ORDA::Float32: return 4;
    case ORDA::Integer64: case ORDA::Float64: return 8;
    case ORDA::CANFrame: return 24;
    case ORDA::RealObject: return 320;
    case ORDA::DrawingObject: return 96;
    default: return 0;
    }
}

class CheckedAccess : public WithEngine {
protected:
    void Make(ORDATypeInfoValue type, int items)
    {
        element.type.value = type;
        element.bufferSize = items;
        element.vectorSize = items;
        element.data = buffer.data();
    }
    // Runs the accessor; the text of the kernel error it raised, or "".
    std::string Failure(const Accessor& a, int index, const void** result = nullptr)
    {
        engine.ClearReports();
        try {
            const void* p = a.call(element, index);
            if (result) *result = p;
        } catch (int code) {
            EXPECT_EQ(code, ORDA::ErrorException);
            auto texts = ErrorTexts();
            EXPECT_EQ(texts.size(), 1u);
            return texts.empty() ? "thrown without report" : texts.front();
        }
        EXPECT_TRUE(engine.Reports().empty());
        return "";
    }

    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(4096);
    ORDAIOEltImplementation element;
};

TEST_F(CheckedAccess, RightTypeReturnsTheItemInPlace)
{
    engine.SetCheckLevel(1);
    for (const Accessor& a : Accessors()) {
        Make(a.code | ORDA::VectorFlag, 5);
        const void* p = nullptr;
        EXPECT_EQ(Failure(a, a.indexed ? 3 : 0, &p), "") << a.name;
        EXPECT_EQ(p, buffer.data() + (a.indexed ? 3 * ItemBytes(a.code) : 0)) << a.name;
    }
}

TEST_F(CheckedAccess, WrongTypeIsAKernelError)
{
    engine.SetCheckLevel(1);
    for (const Accessor& a : Accessors()) {
        // Another code, and the type word without any code at all.
        for (ORDATypeInfoValue wrong : {a.code == ORDA::Structure ? ORDA::Float32 : ORDA::Structure, ORDA::NoType}) {
            Make(wrong, 5);
            EXPECT_EQ(Failure(a, 0), TypingError) << a.name;
        }
    }
}

TEST_F(CheckedAccess, IndexOutsideTheBufferIsAKernelError)
{
    engine.SetCheckLevel(1);
    for (const Accessor& a : Accessors()) {
        if (!a.indexed) continue;
        Make(a.code, 5);
        EXPECT_EQ(Failure(a, 4), "") << a.name;
        EXPECT_EQ(Failure(a, 5), IndexError) << a.name;
        EXPECT_EQ(Failure(a, -1), IndexError) << a.name;
    }
}

TEST_F(CheckedAccess, LevelZeroIsPlainPointerArithmetic)
{
    engine.SetCheckLevel(0);
    Make(ORDA::Integer32, 5);
    const Accessor& integer32 = Accessors()[1];
    const void* p = nullptr;
    EXPECT_EQ(Failure(integer32, 5, &p), "");
    EXPECT_EQ(p, buffer.data() + 20);
    Make(ORDA::TextAscii, 5);
    EXPECT_EQ(Failure(integer32, 2, &p), "");
    EXPECT_EQ(p, buffer.data() + 8);
}

TEST_F(CheckedAccess, WritesThroughTheReference)
{
    engine.SetCheckLevel(1);
    Make(ORDA::Float64, 4);
    element.Float64(2) = 2.5;
    double stored;
    std::memcpy(&stored, buffer.data() + 16, sizeof stored);
    EXPECT_EQ(stored, 2.5);
    EXPECT_EQ(&element.Float(2), &element.Float64(2));
}

TEST_F(CheckedAccess, StaticCheckOnElements)
{
    engine.SetCheckLevel(1);
    Make(ORDA::Integer32, 5);
    auto failure = [&](const std::function<void()>& f) -> std::string {
        engine.ClearReports();
        try {
            f();
        } catch (int code) {
            EXPECT_EQ(code, ORDA::ErrorException);
            auto texts = ErrorTexts();
            return texts.empty() ? "thrown without report" : texts.front();
        }
        return "";
    };
    ORDAIOElt* none = nullptr;
    EXPECT_EQ(failure([&] { ORDAIOEltImplementation::Check(none, ORDA::FilterIntegers); }), NullError);
    EXPECT_EQ(failure([&] { ORDAIOEltImplementation::Check(none, ORDA::FilterIntegers, 0); }), NullError);
    EXPECT_EQ(failure([&] { ORDAIOEltImplementation::Check(&element, ORDA::FilterIntegers); }), "");
    EXPECT_EQ(failure([&] { ORDAIOEltImplementation::Check(&element, ORDA::FilterFloats); }), TypingError);
    EXPECT_EQ(failure([&] { ORDAIOEltImplementation::Check(&element, ORDA::FilterIntegers, 4); }), "");
    EXPECT_EQ(failure([&] { ORDAIOEltImplementation::Check(&element, ORDA::FilterIntegers, 5); }), IndexError);

    engine.SetCheckLevel(0);
    EXPECT_EQ(failure([&] { ORDAIOEltImplementation::Check(none, ORDA::FilterIntegers, 9); }), "");
    EXPECT_EQ(failure([&] { ORDAIOEltImplementation::Check(&element, ORDA::FilterFloats, 9); }), "");
}

// The host calls elements through the virtual table: slot order is binary.
template <class F>
std::ptrdiff_t Slot(F f)
{
    struct {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    } raw;
    static_assert(sizeof raw == sizeof f);
    std::memcpy(&raw, &f, sizeof raw);
    return static_cast<std::ptrdiff_t>((raw.pointer - 1) / sizeof(void*));
}

TEST(ElementInterface, VirtualOperationsInSlotOrder)
{
    using E = ORDAIOElt;
    const std::vector<std::ptrdiff_t> slots = {
        Slot(&E::Data), Slot(&E::TimeOfIssue), Slot(&E::Timestamp), Slot(&E::VectorSize), Slot(&E::BufferSize),
        Slot(&E::Frequency), Slot(&E::Quality), Slot(&E::Type), Slot(&E::BufferItemSize), Slot(&E::Integer),
        Slot(&E::Integer32), Slot(&E::Integer64), Slot(&E::Float64), Slot(&E::Float32), Slot(&E::Text),
        Slot(&E::TextAscii), Slot(&E::TextUnicode), Slot(&E::IplImage), Slot(&E::ORDAImage), Slot(&E::CANFrame),
        Slot(&E::Matrix), Slot(&E::RealObject), Slot(&E::DrawingObject), Slot(&E::Triangles3D), Slot(&E::Stream8),
        Slot(&E::Stream16), Slot(&E::Stream32), Slot(&E::AudioSignal), Slot(&E::Misc1), Slot(&E::Misc2),
        Slot(&E::Misc3), Slot(&E::IOEltBufferSizeInBytes), Slot(&E::IOEltUsedSizeInBytes), Slot(&E::Serialize),
        Slot(&E::Deserialize)};
    for (std::size_t i = 0; i < slots.size(); ++i) EXPECT_EQ(slots[i], static_cast<std::ptrdiff_t>(i)) << i;
}

TEST(ElementInterface, StartsZeroedWithoutBuffer)
{
    ORDAIOEltImplementation e;
    EXPECT_EQ(e.Data(), nullptr);
    EXPECT_EQ(e.BufferSize(), 0);
    EXPECT_EQ(e.VectorSize(), 0);
    EXPECT_EQ(e.Timestamp(), 0);
    EXPECT_EQ(e.TimeOfIssue(), 0);
    EXPECT_EQ(e.Type().value, 0);
    EXPECT_EQ(e.BufferItemSize(), 0);
    EXPECT_EQ(e.Misc1() | e.Misc2() | e.Misc3() | e.Quality(), 0);
    EXPECT_EQ(e.owner, nullptr);
    EXPECT_EQ(e.slot, nullptr);
}

}
