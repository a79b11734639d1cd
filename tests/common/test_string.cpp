#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "orda_string.h"

namespace {

std::string Repeat(char c, int n) { return std::string(static_cast<size_t>(n), c); }

TEST(ORDAString, CapacityRule)
{
    struct Case { int n; int res; };
    for (Case c : {Case{0, 40}, Case{39, 40}, Case{40, 80}, Case{79, 120}, Case{80, 120}, Case{119, 160}, Case{200, 240}}) {
        ORDAString s(Repeat('x', c.n).c_str());
        EXPECT_EQ(s.Length(), c.n);
        EXPECT_EQ(s.res, c.res) << "n=" << c.n;
        EXPECT_EQ(s.str == s.buf, c.res == 40) << "n=" << c.n;
        EXPECT_EQ(s.str[c.n], 0);
        EXPECT_EQ(ORDAString::CapacityFor(c.n), c.res);
    }
}

TEST(ORDAString, AppendGrowsOnlyWhenReachingTheBuffer)
{
    ORDAString s(Repeat('a', 39).c_str());
    ASSERT_EQ(s.str, s.buf);
    s += 'b';
    EXPECT_EQ(s.Length(), 40);
    EXPECT_EQ(s.res, 80);
    EXPECT_NE(s.str, s.buf);
    EXPECT_EQ(std::string(s.Beginning()), Repeat('a', 39) + "b");

    // Stays in the same heap buffer up to 79 bytes.
    const char* heap = s.str;
    s += Repeat('c', 39).c_str();
    EXPECT_EQ(s.Length(), 79);
    EXPECT_EQ(s.str, heap);
    s += 'd';
    EXPECT_EQ(s.res, 120);
    EXPECT_EQ(std::string(s.Beginning()), Repeat('a', 39) + "b" + Repeat('c', 39) + "d");

    s += static_cast<const char*>(nullptr);
    EXPECT_EQ(s.Length(), 80);
}

TEST(ORDAString, AppendOfItsOwnContent)
{
    ORDAString s("abcdefghij");
    for (int i = 0; i < 4; ++i) s += s.Beginning();
    EXPECT_EQ(s.Length(), 160);
    std::string want = "abcdefghij";
    for (int i = 0; i < 4; ++i) want += want;
    EXPECT_EQ(std::string(s.Beginning()), want);
    s += s;
    EXPECT_EQ(s.Length(), 320);
}

TEST(ORDAString, Construction)
{
    ORDAString null(static_cast<const char*>(nullptr));
    EXPECT_EQ(null.Length(), 0);
    EXPECT_STREQ(null.Beginning(), "");

    ORDAString reserved(100, false);
    EXPECT_EQ(reserved.Length(), 0);
    EXPECT_EQ(reserved.res, 120);
    EXPECT_STREQ(reserved, "");

    ORDAString sized(5, true);
    EXPECT_EQ(sized.Length(), 5);
    EXPECT_EQ(sized[5], 0);
    std::memcpy(sized.str, "hello", 5);
    EXPECT_TRUE(sized == "hello");

    ORDAString negative(-7, true);
    EXPECT_EQ(negative.Length(), 0);
    EXPECT_EQ(negative.res, 40);
}

TEST(ORDAString, CopyAndAssignment)
{
    ORDAString a(Repeat('q', 90).c_str());
    a.tpos = 7;
    ORDAString b(a);
    EXPECT_EQ(b.tpos, 7);
    EXPECT_TRUE(b == a);
    EXPECT_NE(b.str, a.str);

    ORDAString c("short");
    c = a;
    EXPECT_EQ(c.tpos, 7);
    EXPECT_EQ(c.res, 120);
    EXPECT_TRUE(c == a);

    c = c;
    EXPECT_TRUE(c == a);

    // Assigning text resets the cursor and sizes the buffer for the new text.
    c = "tiny";
    EXPECT_EQ(c.tpos, 0);
    EXPECT_EQ(c.res, 40);
    EXPECT_EQ(c.str, c.buf);
    EXPECT_TRUE(c == "tiny");

    c = static_cast<const char*>(nullptr);
    EXPECT_EQ(c.Length(), 0);

    // Text taken from the string itself.
    ORDAString d(Repeat('z', 50).c_str());
    d = d.Beginning() + 45;
    EXPECT_TRUE(d == "zzzzz");
    ORDAString e("0123456789");
    e = e.Beginning() + 3;
    EXPECT_TRUE(e == "3456789");
}

TEST(ORDAString, Concatenation)
{
    ORDAString a("ab");
    ORDAString b(Repeat('c', 40).c_str());
    ORDAString ab = a + b;
    EXPECT_EQ(ab.Length(), 42);
    EXPECT_EQ(ab.res, 80);
    EXPECT_EQ(std::string(ab.Beginning()), "ab" + Repeat('c', 40));
    EXPECT_TRUE(a + "cd" == "abcd");
    EXPECT_TRUE("xy" + a == "xyab");
    EXPECT_TRUE(a + static_cast<const char*>(nullptr) == "ab");
    EXPECT_TRUE(static_cast<const char*>(nullptr) + a == "ab");
    EXPECT_TRUE(a + 'c' == "abc");
    EXPECT_TRUE('z' + a == "zab");
}

TEST(ORDAString, ComparisonWithText)
{
    ORDAString empty;
    ORDAString ab("ab");
    ORDAString abc("abc");
    EXPECT_TRUE(empty == nullptr);
    EXPECT_FALSE(ab == nullptr);
    EXPECT_TRUE(ab != nullptr);
    EXPECT_FALSE(ab == "abc");
    EXPECT_FALSE(abc == "ab");
    EXPECT_TRUE(abc == "abc");
    EXPECT_TRUE(empty == "");
    EXPECT_FALSE(empty == "a");

    // An embedded zero byte is content, not an end.
    ORDAString zero(3, true);
    std::memcpy(zero.str, "a\0b", 3);
    EXPECT_FALSE(zero == "a");
    EXPECT_FALSE(zero == "a b");
}

TEST(ORDAString, ComparisonWithString)
{
    ORDAString zero1(3, true), zero2(3, true);
    std::memcpy(zero1.str, "a\0b", 3);
    std::memcpy(zero2.str, "a\0c", 3);
    EXPECT_FALSE(zero1 == zero2);
    EXPECT_TRUE(zero1 != zero2);
    EXPECT_TRUE(ORDAString("abc") == ORDAString("abc"));
    EXPECT_FALSE(ORDAString("ab") == ORDAString("abc"));
    EXPECT_TRUE(ORDAString() == ORDAString(""));
}

TEST(ORDAString, IndexBounds)
{
    ORDAString s("abc");
    EXPECT_EQ(s[0], 'a');
    EXPECT_EQ(s[2], 'c');
    EXPECT_EQ(s[3], 0);
    s[1] = 'X';
    EXPECT_STREQ(s, "aXc");
    for (int bad : {-1, 4, 1000}) {
        try {
            (void)s[bad];
            ADD_FAILURE() << "no throw for " << bad;
        } catch (const char* what) {
            EXPECT_STREQ(what, "Index out of bounds");
        }
    }
    const ORDAString& cs = s;
    EXPECT_THROW((void)cs[-1], const char*);
    EXPECT_EQ(cs[3], 0);
}

TEST(ORDAString, FindStr)
{
    ORDAString s("abcb");
    EXPECT_EQ(s.FindStr("b", 0), 1);
    EXPECT_EQ(s.FindStr("b", 2), 3);
    EXPECT_EQ(s.FindStr("b", 4), -1);
    EXPECT_EQ(s.FindStr("", 0), -1);
    EXPECT_EQ(s.FindStr(nullptr, 0), -1);
    EXPECT_EQ(s.FindStr("cb", 0), 2);
    EXPECT_EQ(s.FindStr("abcb", 0), 0);
    EXPECT_EQ(s.FindStr("abcbx", 0), -1);
    EXPECT_EQ(s.FindStr("a", -5), 0);
    EXPECT_EQ(ORDAString().FindStr("a", 0), -1);
}

TEST(ORDAString, Split)
{
    struct Case { const char* text; std::vector<std::string> pieces; };
    const Case cases[] = {
        {"Event based|Polling", {"Event based", "Polling"}},
        {"", {}},
        {"|", {"", ""}},
        {"a||b|", {"a", "", "b", ""}},
        {"alone", {"alone"}},
        {"|lead", {"", "lead"}},
    };
    for (const Case& c : cases) {
        ORDAArray<ORDAString> parts = ORDAString(c.text).Split('|');
        ASSERT_EQ(parts.Size(), static_cast<int>(c.pieces.size())) << c.text;
        for (int i = 0; i < parts.Size(); ++i) {
            EXPECT_EQ(std::string(parts(i).Beginning()), c.pieces[static_cast<size_t>(i)]) << c.text;
            EXPECT_EQ(parts(i).Length(), static_cast<int>(c.pieces[static_cast<size_t>(i)].size()));
        }
    }

    std::string longText = Repeat('x', 100) + "," + Repeat('y', 45);
    ORDAArray<ORDAString> parts = ORDAString(longText.c_str()).Split(',');
    ASSERT_EQ(parts.Size(), 2);
    EXPECT_EQ(std::string(parts(0).Beginning()), Repeat('x', 100));
    EXPECT_EQ(std::string(parts(1).Beginning()), Repeat('y', 45));
}

TEST(ORDAString, ThrownCopyKeepsText)
{
    try {
        throw ORDAString(Repeat('e', 60).c_str());
    } catch (const ORDAString& e) {
        EXPECT_EQ(e.Length(), 60);
    }
}

} // namespace
