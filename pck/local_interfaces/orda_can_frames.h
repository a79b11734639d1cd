#pragma once
// CAN sample records. Other components of the engine read and write these
// layouts bit for bit, padding included: no virtual members, no
// constructors that would make them non-trivial.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "orda_type_codes.h"
#include "orda_types.h"

struct ORDACANFrame {
    static constexpr std::uint32_t AddressMask = 0x1FFFFFFF;
    static constexpr std::uint32_t StandardId = 0;
    static constexpr std::uint32_t ExtendedId = 0x20000000;
    static constexpr int MaxDataLength = 8;

    std::uint32_t arbitrationId;
    bool isRemote;
    std::int8_t dataLength;
    std::uint8_t data[8];
    ORDATimestamp ts;

    // The id is expected below 0x800; range checking is the caller's.
    void SetStandardId(std::uint32_t id) { arbitrationId = id; }
    void SetExtendedId(std::uint32_t id) { arbitrationId = id | ExtendedId; }
    std::uint32_t GetId() const { return arbitrationId & AddressMask; }
    bool HasExtendedId() const { return (arbitrationId & ExtendedId) != 0; }
    bool HasStandardId() const { return !HasExtendedId(); }
    void SetDataLength(std::intptr_t n) { dataLength = static_cast<std::int8_t>(n & 0xFF); }
    std::int8_t GetDataLength() const { return dataLength; }
    ORDATimestamp GetTimestamp() const { return ts; }
    void SetTimestamp(ORDATimestamp t) { ts = t; }
};

struct ORDACANFDFrame {
    static constexpr std::uint32_t AddressMask = 0x1FFFFFFF;
    static constexpr std::uint32_t StandardId = 0;
    static constexpr std::uint32_t ExtendedId = 0x20000000;
    static constexpr int MaxDataLength = 64;

    std::uint32_t arbitrationId;
    std::int8_t dataLength;
    std::uint8_t data[64];
    ORDATimestamp ts;

    void SetStandardId(std::uint32_t id) { arbitrationId = id; }
    void SetExtendedId(std::uint32_t id) { arbitrationId = id | ExtendedId; }
    std::uint32_t GetId() const { return arbitrationId & AddressMask; }
    bool HasExtendedId() const { return (arbitrationId & ExtendedId) != 0; }
    bool HasStandardId() const { return !HasExtendedId(); }
    void SetDataLength(std::intptr_t n) { dataLength = static_cast<std::int8_t>(n & 0xFF); }
    std::int8_t GetDataLength() const { return dataLength; }
    ORDATimestamp GetTimestamp() const { return ts; }
    void SetTimestamp(ORDATimestamp t) { ts = t; }
};

// misc: byte 0 structure version, byte 1 data length, byte 2 channel id,
// byte 3 frame type (ORDACANUniFrame::Type).
struct ORDACANUniFrame {
    enum Flag : unsigned {
        Flag_FD = 0,
        Flag_RX = 1,
        Flag_TX = 2,
        Flag_ExtendedId = 3,
        Flag_Remote = 4,
        Flag_SRR = 5,
        Flag_EDL = 6,
        Flag_BRS = 7,
        Flag_CRC = 8,
        Flag_ChannelId = 9,
    };
    enum Type : unsigned { Type_Data = 0, Type_Remote = 1, Type_Error = 2, Type_Overload = 3 };
    static constexpr std::uint32_t StructVersion = 1;
    static constexpr int MaxDataLength = 64;

    std::uint32_t misc;
    std::uint32_t id;
    ORDATimestamp ts;
    std::uint8_t data[64];
    std::uint32_t flags;
    std::uint32_t hasFlags;
    std::uint32_t crc;
    std::uint32_t reserved;

    static constexpr std::uint32_t GetStandardIdMask() { return 0x7FF; }
    static constexpr std::uint32_t GetExtendedIdMask() { return 0x1FFFFFFF; }

    void Reset()
    {
        misc = StructVersion;
        id = 0;
        ts = 0;
        for (auto& b : data) b = 0;
        flags = hasFlags = crc = reserved = 0;
    }

    template <unsigned F>
    void SetFlag(bool value)
    {
        static_assert(F < 32);
        if (value) flags |= (1u << F);
        else flags &= ~(1u << F);
        hasFlags |= (1u << F);
    }
    template <unsigned F>
    bool GetFlag() const
    {
        static_assert(F < 32);
        return (flags >> F) & 1u;
    }
    template <unsigned F>
    bool HasFlag() const
    {
        static_assert(F < 32);
        return (hasFlags >> F) & 1u;
    }
    void InvalidateAllFlags() { hasFlags = 0; }

    void SetStandardId(std::uint32_t value)
    {
        id = value & GetStandardIdMask();
        SetFlag<Flag_ExtendedId>(false);
    }
    void SetExtendedId(std::uint32_t value)
    {
        id = value & GetExtendedIdMask();
        SetFlag<Flag_ExtendedId>(true);
    }
    bool HasExtendedId() const { return HasFlag<Flag_ExtendedId>() && GetFlag<Flag_ExtendedId>(); }
    bool HasStandardId() const { return !HasExtendedId(); }
    std::uint32_t GetId() const { return HasExtendedId() ? id & GetExtendedIdMask() : id & GetStandardIdMask(); }

    bool IsFD() const { return HasFlag<Flag_FD>() && GetFlag<Flag_FD>(); }
    void SetFD(bool value) { SetFlag<Flag_FD>(value); }

    std::uint32_t GetDataLength() const { return (misc >> 8) & 0xFFu; }
    void SetDataLength(std::intptr_t n)
    {
        misc = (misc & ~0x0000FF00u) | ((static_cast<std::uint32_t>(n) & 0xFFu) << 8);
    }

    ORDATimestamp GetTimestamp() const { return ts; }
    void SetTimestamp(ORDATimestamp t) { ts = t; }

    std::uint32_t GetStructVersion() const { return misc & 0xFFu; }
    void SetStructVarsion(std::uint32_t v) { misc = (misc & ~0xFFu) | (v & 0xFFu); }

    bool HasChannelId() const { return HasFlag<Flag_ChannelId>(); }
    std::uint32_t GetChannelId() const { return (misc >> 16) & 0xFFu; }
    void SetChannelId(std::uint32_t channel)
    {
        misc = (misc & ~0x00FF0000u) | ((channel & 0xFFu) << 16);
        SetFlag<Flag_ChannelId>(true);
    }

    Type GetFrameType() const { return static_cast<Type>((misc >> 24) & 0xFFu); }
    void SetFrameType(Type type) { misc = (misc & ~0xFF000000u) | ((static_cast<std::uint32_t>(type) & 0xFFu) << 24); }

    bool HasCRC() const { return HasFlag<Flag_CRC>() && GetFlag<Flag_CRC>(); }
    std::uint32_t GetCRC() const { return crc; }
    void SetCRC(std::uint32_t value)
    {
        crc = value;
        SetFlag<Flag_CRC>(true);
    }

    // ISO 11898-1 coding; out-of-range values give 0xFF / 0xFF.
    static std::uint8_t DLCToDataLength(std::uint8_t dlc)
    {
        static constexpr std::uint8_t lengths[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
        return dlc < 16 ? lengths[dlc] : 0xFF;
    }
    static std::uint8_t DataLengthToDLC(std::uint8_t length)
    {
        for (std::uint8_t dlc = 0; dlc < 16; ++dlc)
            if (DLCToDataLength(dlc) == length) return dlc;
        return 0xFF;
    }
};

static_assert(std::is_trivially_copyable_v<ORDACANFrame> && std::is_standard_layout_v<ORDACANFrame>);
static_assert(sizeof(ORDACANFrame) == 24);
static_assert(offsetof(ORDACANFrame, arbitrationId) == 0);
static_assert(offsetof(ORDACANFrame, isRemote) == 4);
static_assert(offsetof(ORDACANFrame, dataLength) == 5);
static_assert(offsetof(ORDACANFrame, data) == 6);
static_assert(offsetof(ORDACANFrame, ts) == 16);

static_assert(std::is_trivially_copyable_v<ORDACANFDFrame> && std::is_standard_layout_v<ORDACANFDFrame>);
static_assert(sizeof(ORDACANFDFrame) == 80);
static_assert(offsetof(ORDACANFDFrame, dataLength) == 4);
static_assert(offsetof(ORDACANFDFrame, data) == 5);
static_assert(offsetof(ORDACANFDFrame, ts) == 72);

static_assert(std::is_trivially_copyable_v<ORDACANUniFrame> && std::is_standard_layout_v<ORDACANUniFrame>);
static_assert(sizeof(ORDACANUniFrame) == 96);
static_assert(offsetof(ORDACANUniFrame, id) == 4);
static_assert(offsetof(ORDACANUniFrame, ts) == 8);
static_assert(offsetof(ORDACANUniFrame, data) == 16);
static_assert(offsetof(ORDACANUniFrame, flags) == 80);
static_assert(offsetof(ORDACANUniFrame, hasFlags) == 84);
static_assert(offsetof(ORDACANUniFrame, crc) == 88);
static_assert(offsetof(ORDACANUniFrame, reserved) == 92);

static_assert(ORDA::CANFrame == 0x80 && ORDA::CANFDFrame == 0x80000 && ORDA::CANUniFrame == 0x1000000);
