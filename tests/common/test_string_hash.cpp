#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "orda_string_hash.h"

namespace {

// Straight transcription of the published lookup8 routine (byte loads and the
// falling-through tail switch), as an independent check of the tail handling.
#define MIX64(a, b, c)                      \
    {                                       \
        a -= b; a -= c; a ^= (c >> 43);     \
        b -= c; b -= a; b ^= (a << 9);      \
        c -= a; c -= b; c ^= (b >> 8);      \
        a -= b; a -= c; a ^= (c >> 38);     \
        b -= c; b -= a; b ^= (a << 23);     \
        c -= a; c -= b; c ^= (b >> 5);      \
        a -= b; a -= c; a ^= (c >> 35);     \
        b -= c; b -= a; b ^= (a << 49);     \
        c -= a; c -= b; c ^= (b >> 11);     \
        a -= b; a -= c; a ^= (c >> 12);     \
        b -= c; b -= a; b ^= (a << 18);     \
        c -= a; c -= b; c ^= (b >> 22);     \
    }

uint64_t Reference(const unsigned char* k, uint64_t length, uint64_t level)
{
    typedef uint64_t ub8;
    ub8 a = level, b = level, c = 0x9e3779b97f4a7c13ULL, len = length;
    while (len >= 24) {
        a += (k[0] + ((ub8)k[1] << 8) + ((ub8)k[2] << 16) + ((ub8)k[3] << 24) + ((ub8)k[4] << 32) +
              ((ub8)k[5] << 40) + ((ub8)k[6] << 48) + ((ub8)k[7] << 56));
        b += (k[8] + ((ub8)k[9] << 8) + ((ub8)k[10] << 16) + ((ub8)k[11] << 24) + ((ub8)k[12] << 32) +
              ((ub8)k[13] << 40) + ((ub8)k[14] << 48) + ((ub8)k[15] << 56));
        c += (k[16] + ((ub8)k[17] << 8) + ((ub8)k[18] << 16) + ((ub8)k[19] << 24) + ((ub8)k[20] << 32) +
              ((ub8)k[21] << 40) + ((ub8)k[22] << 48) + ((ub8)k[23] << 56));
        MIX64(a, b, c);
        k += 24;
        len -= 24;
    }
    c += length;
    switch (len) {
    case 23: c += ((ub8)k[22] << 56); [[fallthrough]];
    case 22: c += ((ub8)k[21] << 48); [[fallthrough]];
    case 21: c += ((ub8)k[20] << 40); [[fallthrough]];
    case 20: c += ((ub8)k[19] << 32); [[fallthrough]];
    case 19: c += ((ub8)k[18] << 24); [[fallthrough]];
    case 18: c += ((ub8)k[17] << 16); [[fallthrough]];
    case 17: c += ((ub8)k[16] << 8); [[fallthrough]];
    case 16: b += ((ub8)k[15] << 56); [[fallthrough]];
    case 15: b += ((ub8)k[14] << 48); [[fallthrough]];
    case 14: b += ((ub8)k[13] << 40); [[fallthrough]];
    case 13: b += ((ub8)k[12] << 32); [[fallthrough]];
    case 12: b += ((ub8)k[11] << 24); [[fallthrough]];
    case 11: b += ((ub8)k[10] << 16); [[fallthrough]];
    case 10: b += ((ub8)k[9] << 8); [[fallthrough]];
    case 9: b += ((ub8)k[8]); [[fallthrough]];
    case 8: a += ((ub8)k[7] << 56); [[fallthrough]];
    case 7: a += ((ub8)k[6] << 48); [[fallthrough]];
    case 6: a += ((ub8)k[5] << 40); [[fallthrough]];
    case 5: a += ((ub8)k[4] << 32); [[fallthrough]];
    case 4: a += ((ub8)k[3] << 24); [[fallthrough]];
    case 3: a += ((ub8)k[2] << 16); [[fallthrough]];
    case 2: a += ((ub8)k[1] << 8); [[fallthrough]];
    case 1: a += ((ub8)k[0]);
    }
    MIX64(a, b, c);
    return c;
}

std::string Bytes(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((i * 37 + 11) & 0xFF);
    return s;
}

const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

TEST(ORDAStringHash, AgreesWithTheReferenceAcrossBlockAndTailLengths)
{
    for (int n = 0; n <= 80; ++n) {
        std::string s = Bytes(n);
        for (uint64_t level : {uint64_t{0}, uint64_t{0xDEAD}, ~uint64_t{0}})
            EXPECT_EQ(ORDAStringHashFunction::hash(U(s), s.size(), level), Reference(U(s), s.size(), level))
                << "n=" << n << " level=" << level;
    }
}

TEST(ORDAStringHash, EveryByteAndTheLengthCount)
{
    for (int n = 1; n <= 50; ++n) {
        std::string s = Bytes(n);
        uint64_t h = ORDAStringHashFunction::hash(U(s), s.size(), 0xDEAD);
        for (int i = 0; i < n; ++i) {
            std::string t = s;
            t[static_cast<size_t>(i)] = static_cast<char>(t[static_cast<size_t>(i)] ^ 0x01);
            EXPECT_NE(ORDAStringHashFunction::hash(U(t), t.size(), 0xDEAD), h) << "n=" << n << " byte " << i;
        }
        // Trailing zero bytes still change the hash through the length.
        std::string z = s + '\0';
        EXPECT_NE(ORDAStringHashFunction::hash(U(z), z.size(), 0xDEAD), h) << n;
    }
}

TEST(ORDAStringHash, StringsHashTheirBytesWithLevelDead)
{
    ORDAStringHashFunction f;
    ORDAString s("VtCanMonitoring.oCAN");
    uint64_t want = ORDAStringHashFunction::hash(reinterpret_cast<const unsigned char*>("VtCanMonitoring.oCAN"), 20, 0xDEAD);
    EXPECT_EQ(f(s), want);
    EXPECT_EQ(f("VtCanMonitoring.oCAN"), want);
    EXPECT_EQ(f(ORDAString(s)), f(s));
    EXPECT_NE(f(s), ORDAStringHashFunction::hash(reinterpret_cast<const unsigned char*>("VtCanMonitoring.oCAN"), 20, 0));
    EXPECT_EQ(f(ORDAString()), f(static_cast<const char*>(nullptr)));

    std::set<uint64_t> seen;
    for (int i = 0; i < 2000; ++i) seen.insert(f(ORDAString(("name" + std::to_string(i)).c_str())));
    EXPECT_EQ(seen.size(), 2000u);
}

} // namespace
