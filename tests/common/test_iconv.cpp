#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "orda_iconv.h"

namespace {

// "Grüße € 𝄞" in UTF-8 and as code points.
const char* const Utf8Text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9D\x84\x9E";
const wchar_t WideText[] = {L'G', L'r', 0xFC, 0xDF, L'e', L' ', 0x20AC, L' ', 0x1D11E, 0};

TEST(ORDAIconv, LocaleIsReadAtLoad)
{
    std::string cs = ORDAIconv::CodeSet();
    EXPECT_FALSE(cs.empty());
    std::string lower;
    for (char c : cs) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    bool utf8 = lower.find("utf8") != std::string::npos || lower.find("utf-8") != std::string::npos;
    EXPECT_EQ(ORDAIconv::isLocaleUTF8(), utf8) << cs;
    EXPECT_EQ(ORDAStringHelper::isLocaleUTF8(), utf8);

    // Numbers keep a decimal point whatever the environment says.
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    char tmp[16];
    std::snprintf(tmp, sizeof tmp, "%.1f", 0.5);
    EXPECT_STREQ(tmp, "0.5");
}

TEST(ORDAIconv, NullInputGivesNull)
{
    EXPECT_EQ(ORDAIconv::UTF8ToLocale(nullptr), nullptr);
    EXPECT_EQ(ORDAIconv::localeToUTF8(nullptr), nullptr);
    EXPECT_EQ(ORDAIconv::UTF8ToWide(nullptr), nullptr);
    EXPECT_EQ(ORDAIconv::wideToUTF8(nullptr), nullptr);
    EXPECT_EQ(ORDAStringHelper::UTF8ToLocale(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(ORDAStringHelper::LocaleToUTF8(static_cast<const char*>(nullptr)).Length(), 0);
}

TEST(ORDAIconv, AsciiRoundTripInAnyLocale)
{
    const char* ascii = "Channel 1 (Virtual) | 500000 baud";
    char* loc = ORDAIconv::UTF8ToLocale(ascii);
    ASSERT_NE(loc, nullptr);
    EXPECT_STREQ(loc, ascii);
    char* back = ORDAIconv::localeToUTF8(loc);
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back, ascii);
    ORDAIconv::releaseLocale(loc);
    ORDAIconv::releaseUTF8(back);

    EXPECT_TRUE(ORDAStringHelper::LocaleToUTF8(ascii) == ascii);
    EXPECT_TRUE(ORDAStringHelper::LocaleToUTF8(std::string(ascii)) == ascii);
    EXPECT_EQ(ORDAStringHelper::UTF8ToLocale(ascii), ascii);
    EXPECT_EQ(ORDAStringHelper::UTF8ToLocale(ORDAString(ascii)), ascii);
    EXPECT_EQ(ORDAStringHelper::UTF8ToLocale(""), "");
}

TEST(ORDAIconv, WideTextHasNoByteOrderMark)
{
    wchar_t* wide = ORDAIconv::UTF8ToWide(Utf8Text);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(std::wcscmp(wide, WideText), 0);
    EXPECT_EQ(std::wcslen(wide), std::wcslen(WideText));

    char* utf8 = ORDAIconv::wideToUTF8(wide);
    ASSERT_NE(utf8, nullptr);
    EXPECT_STREQ(utf8, Utf8Text);
    ORDAIconv::releaseWide(wide);
    ORDAIconv::releaseUTF8(utf8);

    wchar_t* empty = ORDAIconv::UTF8ToWide("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], 0);
    ORDAIconv::releaseWide(empty);
}

TEST(ORDAIconv, OutputBufferDoublesForLongText)
{
    std::string ascii(1000, 'a');
    wchar_t* wide = ORDAIconv::UTF8ToWide(ascii.c_str());
    ASSERT_NE(wide, nullptr);
    ASSERT_EQ(std::wcslen(wide), 1000u);
    EXPECT_EQ(wide[999], L'a');

    // Three-byte characters in the wide text grow back into more bytes.
    std::wstring euros(500, static_cast<wchar_t>(0x20AC));
    char* utf8 = ORDAIconv::wideToUTF8(euros.c_str());
    ASSERT_NE(utf8, nullptr);
    ASSERT_EQ(std::strlen(utf8), 1500u);
    EXPECT_EQ(std::strncmp(utf8 + 1497, "\xE2\x82\xAC", 3), 0);
    ORDAIconv::releaseWide(wide);
    ORDAIconv::releaseUTF8(utf8);
}

TEST(ORDAIconv, InvalidInputGivesNull)
{
    EXPECT_EQ(ORDAIconv::UTF8ToWide("ok \xFF\xFE bad"), nullptr);
    const wchar_t surrogate[] = {L'a', 0xD800, 0};
    EXPECT_EQ(ORDAIconv::wideToUTF8(surrogate), nullptr);
    EXPECT_EQ(ORDAIconv::UTF8ToLocale("\xC3"), nullptr);
    EXPECT_EQ(ORDAStringHelper::UTF8ToLocale("\xC3"), "");
}

TEST(ORDAIconv, NonAsciiFollowsTheLocale)
{
    char* loc = ORDAIconv::UTF8ToLocale(Utf8Text);
    if (ORDAIconv::isLocaleUTF8()) {
        ASSERT_NE(loc, nullptr);
        EXPECT_STREQ(loc, Utf8Text);
        EXPECT_TRUE(ORDAStringHelper::LocaleToUTF8(Utf8Text) == Utf8Text);
    } else if (std::strstr(ORDAIconv::CodeSet(), "ANSI_X3.4") != nullptr) {
        // Plain ASCII has no room for these characters.
        EXPECT_EQ(loc, nullptr);
        EXPECT_EQ(ORDAStringHelper::UTF8ToLocale(Utf8Text), "");
        EXPECT_EQ(ORDAStringHelper::LocaleToUTF8("caf\xE9").Length(), 0);
    }
    ORDAIconv::releaseLocale(loc);
}

} // namespace
