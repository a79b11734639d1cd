#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "orda_streamed_string.h"

namespace {

std::string Text(const ORDAStreamedString& s) { return std::string(s.Beginning(), static_cast<size_t>(s.Length())); }

TEST(ORDAStreamedString, StartsEmptyInDecimal)
{
    ORDAStreamedString s;
    EXPECT_EQ(s.m_fmtflags, 0u);
    EXPECT_EQ(s.Length(), 0);
}

TEST(ORDAStreamedString, TextAndBytes)
{
    ORDAStreamedString s;
    s << "Error in " << 'X' << static_cast<const char*>(nullptr) << ": " << ORDAString("done");
    EXPECT_EQ(Text(s), "Error in X: done");

    // A stacked string stops at its first zero byte.
    ORDAString zero(3, true);
    std::memcpy(zero.str, "a\0b", 3);
    ORDAStreamedString t;
    t << zero << "|";
    EXPECT_EQ(Text(t), "a|");
}

TEST(ORDAStreamedString, IntegerFormats)
{
    auto w = [](unsigned int mode, auto v) {
        ORDAStreamedString s;
        s << static_cast<ORDASManip::Manip>(mode) << v;
        return Text(s);
    };
    EXPECT_EQ(w(ORDASManip::hex, static_cast<short>(-1)), "ffff");
    EXPECT_EQ(w(ORDASManip::oct, static_cast<short>(-1)), "177777");
    EXPECT_EQ(w(ORDASManip::dec, static_cast<short>(-1)), "-1");
    EXPECT_EQ(w(ORDASManip::dec, static_cast<unsigned short>(65535)), "65535");
    EXPECT_EQ(w(ORDASManip::hex, static_cast<unsigned short>(0xabcd)), "abcd");
    EXPECT_EQ(w(ORDASManip::dec, -42), "-42");
    EXPECT_EQ(w(ORDASManip::hex, -1), "ffffffff");
    EXPECT_EQ(w(ORDASManip::oct, 8), "10");
    EXPECT_EQ(w(ORDASManip::dec, 4000000000u), "4000000000");
    EXPECT_EQ(w(ORDASManip::hex, 0xdeadbeefu), "deadbeef");
    EXPECT_EQ(w(ORDASManip::dec, -9000000000L), "-9000000000");
    EXPECT_EQ(w(ORDASManip::hex, -1L), "ffffffffffffffff");
    EXPECT_EQ(w(ORDASManip::oct, 64L), "100");
    EXPECT_EQ(w(ORDASManip::dec, 18446744073709551615UL), "18446744073709551615");
    EXPECT_EQ(w(ORDASManip::dec, -9000000000LL), "-9000000000");
    EXPECT_EQ(w(ORDASManip::hex, 255ULL), "ff");
    EXPECT_EQ(w(ORDASManip::dec, static_cast<int64_t>(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(w(ORDASManip::dec, static_cast<uint8_t>(200)), "200");
}

TEST(ORDAStreamedString, BaseStaysUntilChanged)
{
    ORDAStreamedString s;
    s << ORDASManip::hex << 255 << " " << 16 << ORDASManip::dec << " " << 255;
    EXPECT_EQ(Text(s), "ff 10 255");
    EXPECT_EQ(s.m_fmtflags & ORDASManip::S_NUMERIC_MASK, 0u);

    // Hexadecimal wins when both base bits are set.
    ORDAStreamedString both;
    both.m_fmtflags = ORDASManip::hex | ORDASManip::oct;
    both << 8;
    EXPECT_EQ(Text(both), "8");
    both.m_fmtflags = ORDASManip::oct;
    both << 8;
    EXPECT_EQ(Text(both), "810");

    // Bits outside the base survive a base change.
    ORDAStreamedString other;
    other.m_fmtflags = 0x100;
    other << ORDASManip::hex;
    EXPECT_EQ(other.m_fmtflags, 0x101u);
}

TEST(ORDAStreamedString, LineEndAndStringEnd)
{
    ORDAStreamedString s;
    s << "a" << ORDASManip::endl << "b" << ORDASManip::ends;
    EXPECT_EQ(Text(s), "a\nb");
    EXPECT_EQ(s.Length(), 3);
    EXPECT_EQ(s.m_fmtflags, 0u);
}

TEST(ORDAStreamedString, FloatingPoint)
{
    auto w = [](auto v) {
        ORDAStreamedString s;
        s << ORDASManip::hex << v;
        return Text(s);
    };
    EXPECT_EQ(w(0.1), "0.1");
    EXPECT_EQ(w(1.0 / 3), "0.3333333333");
    EXPECT_EQ(w(2.5f), "2.5");
    EXPECT_EQ(w(1e20), "1e+20");
    EXPECT_EQ(w(-0.0), "-0");
    EXPECT_EQ(w(12345678901.0), "1.23456789e+10");
}

TEST(ORDAStreamedString, PointersAndBooleans)
{
    int x = 0;
    char want[32];
    std::snprintf(want, sizeof want, "%p", static_cast<void*>(&x));
    ORDAStreamedString s;
    s << static_cast<const void*>(&x);
    EXPECT_EQ(Text(s), want);

    std::snprintf(want, sizeof want, "%p", static_cast<void*>(nullptr));
    ORDAStreamedString n;
    n << nullptr;
    EXPECT_EQ(Text(n), want);

    ORDAStreamedString b;
    b << true << "/" << false;
    EXPECT_EQ(Text(b), "true/false");
}

TEST(ORDAStreamedString, GrowsLikeTheBase)
{
    ORDAStreamedString s;
    for (int i = 0; i < 13; ++i) s << "abc";
    EXPECT_EQ(s.Length(), 39);
    EXPECT_EQ(s.str, s.buf);
    s << 7;
    EXPECT_EQ(s.res, 80);
    for (int i = 0; i < 1000; ++i) s << i;
    EXPECT_EQ(static_cast<int>(std::strlen(s.Beginning())), s.Length());
    EXPECT_GT(s.res, s.Length());
}

TEST(ORDAStreamedString, StreamsItself)
{
    ORDAStreamedString s("0123456789");
    for (int i = 0; i < 5; ++i) s << s;
    EXPECT_EQ(s.Length(), 320);
    std::string want = "0123456789";
    for (int i = 0; i < 5; ++i) want += want;
    EXPECT_EQ(Text(s), want);
}

TEST(ORDAStreamedString, ChainsOnTemporaries)
{
    ORDAString msg = ORDAStreamedString() << "code " << 3 << ", line " << 120L;
    EXPECT_TRUE(msg == "code 3, line 120");
}

} // namespace
