#pragma once
// Headers that start the data buffer of composite samples, and the opaque
// fixed-size item records the runtime only moves. Layouts are shared with
// the host engine and other packages.
#include <cstddef>
#include <cstdint>

// Region of interest of an IplImage.
struct IplROI {
    std::int32_t coi;
    std::int32_t xOffset;
    std::int32_t yOffset;
    std::int32_t width;
    std::int32_t height;
};
static_assert(sizeof(IplROI) == 20);

struct IplImage {
    std::int32_t nSize;
    std::int32_t ID;
    std::int32_t nChannels;
    std::int32_t alphaChannel;
    std::int32_t depth;
    char colorModel[4];
    char channelSeq[4];
    std::int32_t dataOrder;
    std::int32_t origin;
    std::int32_t align;
    std::int32_t width;
    std::int32_t height;
    IplROI* roi;
    IplImage* maskROI;
    void* imageId;
    void* tileInfo;
    std::int32_t imageSize;
    char* imageData;
    std::int32_t widthStep;
    std::int32_t BorderMode[4];
    std::int32_t BorderConst[4];
    char* imageDataOrigin;
};
static_assert(sizeof(IplImage) == 144);
static_assert(offsetof(IplImage, colorModel) == 20);
static_assert(offsetof(IplImage, width) == 40);
static_assert(offsetof(IplImage, roi) == 48);
static_assert(offsetof(IplImage, tileInfo) == 72);
static_assert(offsetof(IplImage, imageSize) == 80);
static_assert(offsetof(IplImage, imageData) == 88);
static_assert(offsetof(IplImage, widthStep) == 96);
static_assert(offsetof(IplImage, BorderMode) == 100);
static_assert(offsetof(IplImage, BorderConst) == 116);
static_assert(offsetof(IplImage, imageDataOrigin) == 136);

struct ORDAImage {
    std::int32_t width;
    std::int32_t height;
    std::int32_t imageSize;  // bytes
    std::int32_t bufferSize;
    void* imageId;
    void* imageId2;
    char* imageData;
    char imageCoding[4];
    char imageType[4];
};
static_assert(sizeof(ORDAImage) == 48);
static_assert(offsetof(ORDAImage, imageId) == 16);
static_assert(offsetof(ORDAImage, imageData) == 32);
static_assert(offsetof(ORDAImage, imageCoding) == 40);
static_assert(offsetof(ORDAImage, imageType) == 44);

// rows x cols items in each of two optional arrays of doubles.
struct ORDAMatrix {
    std::int64_t reserved;  // not interpreted by the runtime
    std::int32_t rows;
    std::int32_t cols;
    double* firstArray;
    double* secondArray;
    std::uint8_t flag;  // cleared at allocation
    std::uint8_t unused[7];
};
static_assert(sizeof(ORDAMatrix) == 40);
static_assert(offsetof(ORDAMatrix, rows) == 8);
static_assert(offsetof(ORDAMatrix, cols) == 12);
static_assert(offsetof(ORDAMatrix, firstArray) == 16);
static_assert(offsetof(ORDAMatrix, secondArray) == 24);
static_assert(offsetof(ORDAMatrix, flag) == 32);

struct ORDAAudioSignal {
    std::uint32_t dataType;
    std::uint16_t channels;
    std::uint16_t bitsPerSample;
    std::uint32_t samplesPerSecond;
    std::uint32_t streamSizeInBytes;
    void* streamData;
};
static_assert(sizeof(ORDAAudioSignal) == 24);
static_assert(offsetof(ORDAAudioSignal, channels) == 4);
static_assert(offsetof(ORDAAudioSignal, bitsPerSample) == 6);
static_assert(offsetof(ORDAAudioSignal, samplesPerSecond) == 8);
static_assert(offsetof(ORDAAudioSignal, streamSizeInBytes) == 12);
static_assert(offsetof(ORDAAudioSignal, streamData) == 16);

// Records of a triangle set; the runtime copies them without looking inside.
struct ORDA3DObject {
    std::int32_t words[4];
};
struct ORDA3DPoint {
    double x, y, z;
};
struct ORDA3DTriangle {
    std::int32_t words[4];
};
static_assert(sizeof(ORDA3DObject) == 16 && sizeof(ORDA3DPoint) == 24 && sizeof(ORDA3DTriangle) == 16);

struct ORDATriangles3D {
    std::int32_t nbObjects;
    ORDA3DObject* objects;
    std::int32_t nbPoints;
    ORDA3DPoint* points;
    std::int32_t nbTriangles;
    ORDA3DTriangle* triangles;
};
static_assert(sizeof(ORDATriangles3D) == 48);
static_assert(offsetof(ORDATriangles3D, objects) == 8);
static_assert(offsetof(ORDATriangles3D, nbPoints) == 16);
static_assert(offsetof(ORDATriangles3D, points) == 24);
static_assert(offsetof(ORDATriangles3D, nbTriangles) == 32);
static_assert(offsetof(ORDATriangles3D, triangles) == 40);

// Fixed-size items whose contents the runtime never interprets.
struct ORDARealObject {
    alignas(8) std::uint8_t bytes[320];
};
struct ORDADrawingObject {
    alignas(8) std::uint8_t bytes[96];
};
static_assert(sizeof(ORDARealObject) == 320 && sizeof(ORDADrawingObject) == 96);

// CAN records are the package's own (24, 80 and 96 bytes); the runtime
// only computes their addresses.
class ORDACANFrame;
class ORDACANFDFrame;
class ORDACANUniFrame;

namespace ORDA {
inline constexpr int CANFrameBytes = 24;
inline constexpr int CANFDFrameBytes = 80;
inline constexpr int CANUniFrameBytes = 96;
}
