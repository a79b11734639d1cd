#pragma once
// One sample of an output FIFO. The host engine and other packages reach
// elements only through the virtual interface, so its slot order is fixed.
#include <cstddef>
#include <cstdint>

#include "orda_payload_headers.h"
#include "orda_type_filter.h"
#include "orda_type_info.h"
#include "orda_types.h"

class ORDAOutput;
struct ORDAFifoSlot;

class ORDAIOElt {
public:
    virtual void*& Data() = 0;
    virtual ORDATimestamp& TimeOfIssue() = 0;
    virtual ORDATimestamp& Timestamp() = 0;
    virtual std::int32_t& VectorSize() = 0;
    virtual std::int32_t& BufferSize() = 0;
    virtual std::int64_t& Frequency() = 0;
    virtual std::int32_t& Quality() = 0;
    virtual ORDATypeInfo& Type() = 0;
    virtual int& BufferItemSize() = 0;
    virtual std::int32_t& Integer(int i) = 0;
    virtual std::int32_t& Integer32(int i) = 0;
    virtual std::int64_t& Integer64(int i) = 0;
    virtual double& Float64(int i) = 0;
    virtual float& Float32(int i) = 0;
    virtual char* Text() = 0;
    virtual char* TextAscii() = 0;
    virtual std::uint16_t* TextUnicode() = 0;
    virtual ::IplImage& IplImage() = 0;
    virtual ::ORDAImage& ORDAImage() = 0;
    virtual ORDACANFrame& CANFrame(int i) = 0;
    virtual ORDAMatrix& Matrix() = 0;
    virtual ORDARealObject& RealObject(int i) = 0;
    virtual ORDADrawingObject& DrawingObject(int i) = 0;
    virtual ORDATriangles3D& Triangles3D() = 0;
    virtual std::uint8_t* Stream8() = 0;
    virtual std::uint16_t* Stream16() = 0;
    virtual std::uint32_t* Stream32() = 0;
    virtual ORDAAudioSignal& AudioSignal() = 0;
    virtual std::int32_t& Misc1() = 0;
    virtual std::int32_t& Misc2() = 0;
    virtual std::int32_t& Misc3() = 0;
    // Bytes the buffer needs for its type and capacity / bytes that hold
    // data; 0 without a buffer, 0xFFFFFFFF when the runtime cannot tell.
    virtual unsigned IOEltBufferSizeInBytes(bool* contiguous) = 0;
    virtual unsigned IOEltUsedSizeInBytes(bool* contiguous) = 0;
    // Null destination: the size a serialisation takes. Else the bytes
    // written, or -1.
    virtual int Serialize(void* destination, unsigned capacity) = 0;
    // 0 on success, -1 on failure. With allocate, an element without a
    // buffer gets one (std::malloc; the element's owner frees it).
    virtual int Deserialize(void* source, bool allocate) = 0;
    virtual ~ORDAIOElt() = default;

    double& Float(int i) { return Float64(i); }
    double& Double(int i) { return Float64(i); }

    static int SerializedIOEltSizeInBytes(void* element);
    static bool IsDeserializable(void* block);
};

class ORDAIOEltImplementation : public ORDAIOElt {
public:
    ORDAIOEltImplementation() = default;
    ORDAIOEltImplementation(const ORDAIOEltImplementation&) = delete;
    ORDAIOEltImplementation& operator=(const ORDAIOEltImplementation&) = delete;
    ~ORDAIOEltImplementation() override = default;

    void*& Data() override { return data; }
    ORDATimestamp& TimeOfIssue() override { return timeOfIssue; }
    ORDATimestamp& Timestamp() override { return timestamp; }
    std::int32_t& VectorSize() override { return vectorSize; }
    std::int32_t& BufferSize() override { return bufferSize; }
    std::int64_t& Frequency() override { return frequency; }
    std::int32_t& Quality() override { return quality; }
    ORDATypeInfo& Type() override { return type; }
    int& BufferItemSize() override { return bufferItemSize; }
    std::int32_t& Integer(int i) override;
    std::int32_t& Integer32(int i) override;
    std::int64_t& Integer64(int i) override;
    double& Float64(int i) override;
    float& Float32(int i) override;
    char* Text() override;
    char* TextAscii() override;
    std::uint16_t* TextUnicode() override;
    ::IplImage& IplImage() override;
    ::ORDAImage& ORDAImage() override;
    ORDACANFrame& CANFrame(int i) override;
    ORDAMatrix& Matrix() override;
    ORDARealObject& RealObject(int i) override;
    ORDADrawingObject& DrawingObject(int i) override;
    ORDATriangles3D& Triangles3D() override;
    std::uint8_t* Stream8() override;
    std::uint16_t* Stream16() override;
    std::uint32_t* Stream32() override;
    ORDAAudioSignal& AudioSignal() override;
    std::int32_t& Misc1() override { return misc1; }
    std::int32_t& Misc2() override { return misc2; }
    std::int32_t& Misc3() override { return misc3; }
    unsigned IOEltBufferSizeInBytes(bool* contiguous) override;
    unsigned IOEltUsedSizeInBytes(bool* contiguous) override;
    int Serialize(void* destination, unsigned capacity) override;
    int Deserialize(void* source, bool allocate) override;

    // Same sizes as above, without the test for a missing buffer.
    unsigned IOEltNeededBufferSizeInBytes(bool* contiguous);
    unsigned IOEltUsedSizeInBytesUnchecked(bool* contiguous);

    // Typed-access tests as free functions; nothing is tested at check
    // level 0. A failure reports and throws ORDA::ErrorException.
    static void Check(ORDAIOElt* element, const ORDATypeFilterBase& filter);
    static void Check(ORDAIOElt* element, const ORDATypeFilterBase& filter, int index);

    void* data = nullptr;
    std::int32_t bufferSize = 0;
    std::int32_t vectorSize = 0;
    ORDATimestamp timestamp = 0;
    ORDATimestamp timeOfIssue = 0;
    ORDATypeInfo type;
    std::int64_t frequency = 0;
    std::int32_t quality = 0;
    ORDAOutput* owner = nullptr;
    ORDAFifoSlot* slot = nullptr;
    std::int32_t unused = 0;
    std::int32_t bufferItemSize = 0;
    std::int32_t misc1 = 0;
    std::int32_t misc2 = 0;
    std::int32_t misc3 = 0;

private:
    template <class T>
    T* Items(const ORDATypeFilterBase& filter);
    template <class T>
    T& Item(const ORDATypeFilterBase& filter, int i, int itemBytes = sizeof(T));
};
static_assert(sizeof(ORDAIOEltImplementation) == 120);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(ORDAIOEltImplementation, data) == 8);
static_assert(offsetof(ORDAIOEltImplementation, bufferSize) == 16);
static_assert(offsetof(ORDAIOEltImplementation, vectorSize) == 20);
static_assert(offsetof(ORDAIOEltImplementation, timestamp) == 24);
static_assert(offsetof(ORDAIOEltImplementation, timeOfIssue) == 32);
static_assert(offsetof(ORDAIOEltImplementation, type) == 40);
static_assert(offsetof(ORDAIOEltImplementation, frequency) == 64);
static_assert(offsetof(ORDAIOEltImplementation, quality) == 72);
static_assert(offsetof(ORDAIOEltImplementation, owner) == 80);
static_assert(offsetof(ORDAIOEltImplementation, slot) == 88);
static_assert(offsetof(ORDAIOEltImplementation, unused) == 96);
static_assert(offsetof(ORDAIOEltImplementation, bufferItemSize) == 100);
static_assert(offsetof(ORDAIOEltImplementation, misc1) == 104);
static_assert(offsetof(ORDAIOEltImplementation, misc3) == 112);
#pragma GCC diagnostic pop

// Serialised form: fixed part of the current format.
namespace ORDA {
inline constexpr int IOEltFormatVersion = 102;
inline constexpr unsigned IOEltFixedSerializedBytes = 68;
}
