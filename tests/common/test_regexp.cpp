#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "orda_regexp.h"

namespace {

std::vector<std::string> Captures(const ORDARegExp& re)
{
    std::vector<std::string> out;
    const ORDAArray<ORDAString>& subs = re.Substrings();
    for (int i = 0; i < subs.Size(); ++i) out.emplace_back(subs(i).Beginning());
    return out;
}

bool Matches(ORDARegExp& re, const char* s) { return re.exec(s, static_cast<int>(std::strlen(s))); }

TEST(ORDARegExp, ElementNamePatterns)
{
    ORDARegExp name("^[a-zA-Z][a-zA-Z_0-9]*$", 0);
    ASSERT_TRUE(name.Ok());
    EXPECT_STREQ(name.LastError(), "");
    EXPECT_EQ(name.ErrorOffset(), -1);
    for (const char* good : {"oCAN", "iEth", "a", "x_1"}) EXPECT_TRUE(Matches(name, good)) << good;
    for (const char* bad : {"", "1abc", "_a", "a.b", "a b"}) EXPECT_FALSE(Matches(name, bad)) << bad;

    ORDARegExp output("^[a-zA-Z][a-zA-Z_0-9\\.:]*$");
    EXPECT_TRUE(Matches(output, "a.b:c"));
}

TEST(ORDARegExp, CapturesAndPositions)
{
    ORDARegExp re("([a-z]+)=([0-9]+)");
    ASSERT_TRUE(Matches(re, "set  speed=120;"));
    EXPECT_EQ(Captures(re), (std::vector<std::string>{"speed=120", "speed", "120"}));
    EXPECT_EQ(re.Position(0), 5);
    EXPECT_EQ(re.Position(1), 5);
    EXPECT_EQ(re.Position(2), 11);
    EXPECT_EQ(re.Position(-1), -1);
    EXPECT_EQ(re.Position(100), -1);

    // The length bounds the subject.
    EXPECT_FALSE(re.exec("speed=120", 5));
    EXPECT_TRUE(re.exec("a=1 tail", 3));
    EXPECT_EQ(Captures(re), (std::vector<std::string>{"a=1", "a", "1"}));
}

TEST(ORDARegExp, GroupThatDidNotTakePartIsEmpty)
{
    ORDARegExp re("(a)|(b)(c)?");
    ASSERT_TRUE(Matches(re, "xb"));
    EXPECT_EQ(Captures(re), (std::vector<std::string>{"b", "", "b"}));
    EXPECT_EQ(re.Position(1), -1);
    EXPECT_EQ(re.Position(2), 1);
}

TEST(ORDARegExp, OffsetVectorGrowsForManyGroups)
{
    ORDARegExp re("(a)(b)(c)(d)(e)(f)(g)");
    ASSERT_TRUE(Matches(re, "--abcdefg"));
    EXPECT_EQ(Captures(re), (std::vector<std::string>{"abcdefg", "a", "b", "c", "d", "e", "f", "g"}));
    EXPECT_EQ(re.Position(7), 8);

    // A later match with fewer groups shrinks the captures.
    ORDARegExp copy = re;
    copy.SetPattern("(x)");
    ASSERT_TRUE(Matches(copy, "x"));
    EXPECT_EQ(Captures(copy).size(), 2u);
    EXPECT_EQ(Captures(re).size(), 8u);
}

TEST(ORDARegExp, BadPattern)
{
    ORDARegExp re("ab(c", 0);
    EXPECT_FALSE(re.Ok());
    EXPECT_STRNE(re.LastError(), "");
    EXPECT_EQ(re.ErrorOffset(), 4);
    EXPECT_FALSE(Matches(re, "abc"));
    EXPECT_FALSE(re.Study());

    re.SetPattern("ab(c)");
    EXPECT_TRUE(re.Ok());
    EXPECT_STREQ(re.LastError(), "");
    EXPECT_EQ(re.ErrorOffset(), -1);

    ORDARegExp empty;
    EXPECT_FALSE(empty.Ok());
    EXPECT_FALSE(Matches(empty, "a"));
    EXPECT_FALSE(empty.exec(nullptr, 0));
}

TEST(ORDARegExp, Options)
{
    ORDARegExp caseless("^can$", ORDARegExp::OptCaseless);
    EXPECT_EQ(caseless.Options(), ORDARegExp::OptCaseless);
    EXPECT_TRUE(Matches(caseless, "CAN"));

    ORDARegExp re;
    re.SetPattern("^can$");
    EXPECT_EQ(re.Options(), 0);
    EXPECT_FALSE(Matches(re, "CAN"));
    re.SetOptions(ORDARegExp::OptCaseless);
    EXPECT_TRUE(Matches(re, "CAN"));
    // A fresh pattern starts from option bits 0.
    re.SetPattern("^eth$");
    EXPECT_EQ(re.Options(), 0);
    EXPECT_FALSE(Matches(re, "ETH"));
}

TEST(ORDARegExp, CopiesShareTheRecord)
{
    ORDARegExp a("([0-9]+)");
    ORDARegExp b(a);
    EXPECT_EQ(&a.Substrings(), &b.Substrings());
    ASSERT_TRUE(Matches(b, "id 77"));
    EXPECT_EQ(Captures(a), (std::vector<std::string>{"77", "77"}));

    ORDARegExp c;
    c = a;
    EXPECT_EQ(&c.Substrings(), &a.Substrings());
    c = c;
    EXPECT_TRUE(c.Ok());

    // Leaving the share does not disturb the others.
    b.SetPattern("x");
    EXPECT_NE(&a.Substrings(), &b.Substrings());
    EXPECT_TRUE(Matches(a, "5"));
    EXPECT_TRUE(Matches(c, "6"));
    EXPECT_EQ(Captures(a), (std::vector<std::string>{"6", "6"}));
}

TEST(ORDARegExp, StudiedPatternMatchesTheSame)
{
    ORDARegExp re("^ORDA[A-Z][a-z]+$");
    EXPECT_TRUE(re.Study());
    EXPECT_TRUE(re.Study());
    EXPECT_TRUE(Matches(re, "ORDAFrame"));
    EXPECT_FALSE(Matches(re, "ORDAframe"));
    ORDARegExp copy(re);
    EXPECT_TRUE(Matches(copy, "ORDACan"));
}

} // namespace
