#pragma once
// Type codes (low 32 bits of a type information word) and flags (high bits).
#include "orda_types.h"

namespace ORDA {
inline constexpr ORDATypeInfoValue NoType = 0x0;
inline constexpr ORDATypeInfoValue Structure = 0x1;
inline constexpr ORDATypeInfoValue Integer32 = 0x2;
inline constexpr ORDATypeInfoValue Integer = Integer32;
inline constexpr ORDATypeInfoValue Float64 = 0x4;
inline constexpr ORDATypeInfoValue Float = Float64;
inline constexpr ORDATypeInfoValue Double = Float64;
inline constexpr ORDATypeInfoValue TextAscii = 0x8;
inline constexpr ORDATypeInfoValue TextUTF8 = TextAscii;
inline constexpr ORDATypeInfoValue TextUnicode = 0x10;
inline constexpr ORDATypeInfoValue TextUTF16 = TextUnicode;
inline constexpr ORDATypeInfoValue IplImage = 0x20;
inline constexpr ORDATypeInfoValue ORDAImage = 0x40;
inline constexpr ORDATypeInfoValue CANFrame = 0x80;
inline constexpr ORDATypeInfoValue Matrix = 0x100;
inline constexpr ORDATypeInfoValue RealObject = 0x200;
inline constexpr ORDATypeInfoValue DrawingObject = 0x400;
inline constexpr ORDATypeInfoValue Triangles3D = 0x800;
inline constexpr ORDATypeInfoValue Stream8 = 0x1000;
inline constexpr ORDATypeInfoValue UnsignedInteger8 = Stream8;
inline constexpr ORDATypeInfoValue Stream16 = 0x2000;
inline constexpr ORDATypeInfoValue UnsignedInteger16 = Stream16;
inline constexpr ORDATypeInfoValue Stream32 = 0x4000;
inline constexpr ORDATypeInfoValue UnsignedInteger32 = Stream32;
inline constexpr ORDATypeInfoValue Integer64 = 0x8000;
inline constexpr ORDATypeInfoValue Float32 = 0x10000;
inline constexpr ORDATypeInfoValue AudioSignal = 0x20000;
inline constexpr ORDATypeInfoValue DynamicStructure = 0x40000;
inline constexpr ORDATypeInfoValue CANFDFrame = 0x80000;
inline constexpr ORDATypeInfoValue Integer8 = 0x100000;
inline constexpr ORDATypeInfoValue Integer16 = 0x200000;
inline constexpr ORDATypeInfoValue UnsignedInteger64 = 0x400000;
inline constexpr ORDATypeInfoValue CustomType = 0x800000;
inline constexpr ORDATypeInfoValue CANUniFrame = 0x1000000;

inline constexpr ORDATypeInfoValue TypeMask = 0xFFFFFFFF;

inline constexpr ORDATypeInfoValue VectorFlag = static_cast<ORDATypeInfoValue>(0x8000000000000000ull);
inline constexpr ORDATypeInfoValue FrequencyFlag = 0x4000000000000000;
inline constexpr ORDATypeInfoValue QualityFlag = 0x2000000000000000;
inline constexpr ORDATypeInfoValue MiscFlag = 0x1000000000000000;
inline constexpr ORDATypeInfoValue IgnoreNameFlag = 0x0800000000000000;
inline constexpr ORDATypeInfoValue IgnoreUnitFlag = 0x0400000000000000;

inline constexpr ORDATypeInfoValue AnyText = 0x18;
inline constexpr ORDATypeInfoValue AnyFloat = 0x10004;
inline constexpr ORDATypeInfoValue AnySignedInteger = 0x308002;
inline constexpr ORDATypeInfoValue AnyUnsignedInteger = 0x407000;
inline constexpr ORDATypeInfoValue AnyUnsignedNumber = AnyUnsignedInteger;
inline constexpr ORDATypeInfoValue AnyInteger = 0x70F002;
inline constexpr ORDATypeInfoValue AnySignedNumber = 0x318006;
inline constexpr ORDATypeInfoValue AnyNumber = 0x71F006;
inline constexpr ORDATypeInfoValue AnyType = 0x0C000000FFFFFFFF;
inline constexpr ORDATypeInfoValue NoMask = 0;
static_assert(AnyType == (IgnoreNameFlag | IgnoreUnitFlag | TypeMask));
static_assert(AnyInteger == (AnySignedInteger | AnyUnsignedInteger));
static_assert(AnyNumber == (AnyInteger | AnyFloat));
}
