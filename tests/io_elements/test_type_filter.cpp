#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "orda_filters.h"
#include "orda_type_filter.h"

namespace {

constexpr ORDATypeInfoValue V = ORDA::VectorFlag;

struct MatchCase {
    const char* what;
    const ORDATypeFilterBase* filter;
    ORDATypeInfoValue type;
    bool matches;
};

class PredefinedMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(PredefinedMatch, FollowsTheMaskRule)
{
    const MatchCase& c = GetParam();
    ORDATypeInfo type(c.type);
    EXPECT_EQ(c.filter->Match(type), c.matches) << c.what;
    EXPECT_EQ(ORDA::TypeFilter(type, *c.filter), c.matches) << c.what;
}

const MatchCase matchCases[] = {
    {"vector of integers passes the set filter", &ORDA::FilterIntegers, V | ORDA::Integer32, true},
    {"scalar filter rejects a vector", &ORDA::FilterOneInteger, V | ORDA::Integer32, false},
    {"scalar filter accepts the scalar", &ORDA::FilterOneInteger, ORDA::Integer32, true},
    {"scalar filter ignores flags other than vector", &ORDA::FilterOneInteger,
     ORDA::FrequencyFlag | ORDA::Integer32, true},
    {"scalar filter wants exactly its code", &ORDA::FilterOneInteger, ORDA::Integer32 | ORDA::Float64, false},
    {"one number accepts any scalar number", &ORDA::FilterOneNumber, ORDA::Float32, true},
    {"one number rejects a vector", &ORDA::FilterOneNumber, V | ORDA::Float32, false},
    {"one number rejects text", &ORDA::FilterOneNumber, ORDA::TextAscii, false},
    {"any CAN frame takes FD", &ORDA::FilterAnyCANFrame, V | ORDA::CANFDFrame, true},
    {"any CAN frame takes universal", &ORDA::FilterAnyCANFrame, ORDA::CANUniFrame, true},
    {"classic CAN filter refuses FD", &ORDA::FilterCANFrame, ORDA::CANFDFrame, false},
    {"image filter takes both kinds", &ORDA::FilterImage, ORDA::ORDAImage, true},
    {"audio signals include 8-bit streams", &ORDA::FilterAudioSignals, ORDA::Stream8, true},
    {"unsigned 8-bit shares the stream code", &ORDA::FilterStream8, ORDA::UnsignedInteger8, true},
    {"numbers exclude text", &ORDA::FilterNumbers, ORDA::AnyText, false},
    {"filter any takes any code", &ORDA::FilterAny, ORDA::CustomType, true},
    {"no code bit never matches", &ORDA::FilterAny, V | ORDA::IgnoreNameFlag, false},
    {"no type never matches one number", &ORDA::FilterOneNumber, ORDA::NoType, false},
};
INSTANTIATE_TEST_SUITE_P(Filters, PredefinedMatch, ::testing::ValuesIn(matchCases));

struct Definition {
    const char* name;
    const ORDATypeFilterBase* filter;
    std::uint64_t mask, x, maskX;
};

// A sample across the three kinds of rule and the aliases.
const Definition definitions[] = {
    {"FilterStructure", &ORDA::FilterStructure, 0, 0, 0x1},
    {"FilterDoubles", &ORDA::FilterDoubles, 0, 0, 0x4},
    {"FilterTextUTF16", &ORDA::FilterTextUTF16, 0, 0, 0x10},
    {"FilterUnsignedIntegers32", &ORDA::FilterUnsignedIntegers32, 0, 0, 0x4000},
    {"FilterAudioSignals", &ORDA::FilterAudioSignals, 0, 0, 0x31000},
    {"FilterAnyCANFrame", &ORDA::FilterAnyCANFrame, 0, 0, 0x1080080},
    {"FilterSignedNumbers", &ORDA::FilterSignedNumbers, 0, 0, 0x318006},
    {"FilterNumber", &ORDA::FilterNumber, 0, 0, 0x71F006},
    {"FilterOneDouble", &ORDA::FilterOneDouble, 0x80000000FFFFFFFFull, 0x4, 0xFFFFFFFF},
    {"FilterOneUnsignedInteger64", &ORDA::FilterOneUnsignedInteger64, 0x80000000FFFFFFFFull, 0x400000, 0xFFFFFFFF},
    {"FilterOneNumber", &ORDA::FilterOneNumber, 0x8000000000000000ull, 0, 0x71F006},
    {"FilterAny", &ORDA::FilterAny, 0, 0, 0xFFFFFFFF},
};

TEST(PredefinedFilters, CarryTheirMasksAndNoPatterns)
{
    for (const Definition& d : definitions) {
        EXPECT_EQ(static_cast<std::uint64_t>(d.filter->mask), d.mask) << d.name;
        EXPECT_EQ(static_cast<std::uint64_t>(d.filter->x), d.x) << d.name;
        EXPECT_EQ(static_cast<std::uint64_t>(d.filter->maskX), d.maskX) << d.name;
        EXPECT_EQ(d.filter->nameFilter, nullptr) << d.name;
        EXPECT_EQ(d.filter->unitFilter, nullptr) << d.name;
    }
}

ORDATypeFilterBase PcapFilter() { return ORDATypeFilterBase(ORDA::TypeMask, ORDA::DynamicStructure, ORDA::TypeMask, "^ORDApcap_data_t$"); }

TEST(NamedStructureFilter, MatchesNameAndCachesTheExpression)
{
    ORDATypeFilterBase filter = PcapFilter();
    EXPECT_EQ(filter.nameRegexp, nullptr);

    ORDATypeInfo pcap(ORDA::DynamicStructure, "ORDApcap_data_t", nullptr);
    EXPECT_TRUE(filter.Match(pcap));
    ASSERT_NE(filter.nameRegexp, nullptr);
    ORDARegExp* cached = filter.nameRegexp;

    ORDATypeInfo other(ORDA::DynamicStructure, "ORDAother_t", nullptr);
    EXPECT_FALSE(filter.Match(other));
    EXPECT_EQ(filter.nameRegexp, cached);

    ORDATypeInfo unnamed(ORDA::DynamicStructure);
    EXPECT_FALSE(filter.Match(unnamed));
    // The name is right but the code is not exactly a dynamic structure.
    ORDATypeInfo wrongCode(ORDA::DynamicStructure | ORDA::Structure, "ORDApcap_data_t", nullptr);
    EXPECT_FALSE(filter.Match(wrongCode));
}

TEST(NamedStructureFilter, IgnoreNameFlagSkipsThePattern)
{
    ORDATypeFilterBase filter = PcapFilter();
    ORDATypeInfo anyName(ORDA::IgnoreNameFlag | ORDA::DynamicStructure, "whatever", nullptr);
    EXPECT_TRUE(filter.Match(anyName));
    ORDATypeInfo noName(ORDA::IgnoreNameFlag | ORDA::DynamicStructure);
    EXPECT_TRUE(filter.Match(noName));
    EXPECT_EQ(filter.nameRegexp, nullptr);
    // The code bits still decide. The filter's mask covers only the code
    // bits, so the ignore flag does not disturb the comparison.
    ORDATypeInfo wrongCode(ORDA::IgnoreNameFlag | ORDA::Structure);
    EXPECT_FALSE(filter.Match(wrongCode));
}

TEST(UnitFilter, MatchesUnlessIgnored)
{
    ORDATypeFilterBase filter(0, 0, ORDA::AnyFloat, nullptr, "^(m|km)/s$");
    ORDATypeInfo speed(ORDA::Float64, nullptr, "km/s");
    ORDATypeInfo mass(ORDA::Float64, nullptr, "kg");
    ORDATypeInfo bare(ORDA::Float64);
    ORDATypeInfo ignored(ORDA::IgnoreUnitFlag | ORDA::Float64, nullptr, "kg");
    EXPECT_TRUE(filter.Match(speed));
    EXPECT_FALSE(filter.Match(mass));
    EXPECT_FALSE(filter.Match(bare));
    EXPECT_TRUE(filter.Match(ignored));
    EXPECT_NE(filter.unitRegexp, nullptr);
    EXPECT_EQ(filter.nameRegexp, nullptr);
}

TEST(UnitFilter, NameAndUnitMustBothMatch)
{
    ORDATypeFilterBase filter(0, 0, ORDA::AnyType, "^speed", "^m/s$");
    EXPECT_TRUE(filter.Match(ORDATypeInfo(ORDA::Float32, "speed_left", "m/s")));
    EXPECT_FALSE(filter.Match(ORDATypeInfo(ORDA::Float32, "speed_left", "km/h")));
    EXPECT_FALSE(filter.Match(ORDATypeInfo(ORDA::Float32, "torque", "m/s")));
}

TEST(FilterCopy, CompilesAndOwnsItsOwnExpression)
{
    ORDATypeFilterBase original = PcapFilter();
    ORDATypeInfo pcap(ORDA::DynamicStructure, "ORDApcap_data_t", nullptr);
    ASSERT_TRUE(original.Match(pcap));
    {
        ORDATypeFilterBase copy(original);
        EXPECT_EQ(copy.nameRegexp, nullptr);
        EXPECT_TRUE(copy.Match(pcap));
        EXPECT_NE(copy.nameRegexp, nullptr);
        EXPECT_NE(copy.nameRegexp, original.nameRegexp);
    }
    // The copy's expression died with it; the original's still works.
    EXPECT_TRUE(original.Match(pcap));

    ORDATypeFilterBase assigned;
    assigned = original;
    EXPECT_EQ(assigned.nameRegexp, nullptr);
    EXPECT_TRUE(assigned.Match(pcap));
    assigned = ORDATypeFilterBase(0, 0, ORDA::AnyType, "^other$");
    EXPECT_EQ(assigned.nameRegexp, nullptr);
    EXPECT_FALSE(assigned.Match(pcap));
}

TEST(FilterPattern, InvalidPatternNeverMatches)
{
    ORDATypeFilterBase filter(0, 0, ORDA::AnyType, "([unclosed");
    EXPECT_FALSE(filter.Match(ORDATypeInfo(ORDA::Structure, "([unclosed", nullptr)));
}

}
