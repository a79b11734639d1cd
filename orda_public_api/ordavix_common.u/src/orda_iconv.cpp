#include "orda_iconv.h"

#include <langinfo.h>
#include <locale.h>
#include <strings.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

static_assert(sizeof(wchar_t) == 4, "wide text is UTF-32");

// Plain "UTF-32" would write a byte order mark and read big-endian; wide
// text is UTF-32 in the machine's byte order without one.
constexpr const char* WideCodeSet = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";

bool ContainsNoCase(const char* s, const char* what)
{
    size_t n = std::strlen(what);
    for (; *s; ++s)
        if (strncasecmp(s, what, n) == 0) return true;
    return false;
}

// Created while the library loads; built on first use so that no other
// static initialiser can see it unconstructed.
ORDAIconv& g_loadTimeConverter = ORDAIconv::Instance();

} // namespace

ORDAIconv& ORDAIconv::Instance()
{
    static ORDAIconv converter;
    return converter;
}

ORDAIconv::ORDAIconv()
{
    setlocale(LC_ALL, "");
    const char* cs = nl_langinfo(CODESET);
    if (!cs || !*cs) cs = "ANSI_X3.4-1968";
    std::strncpy(m_codeSet, cs, sizeof m_codeSet - 1);
    m_codeSet[sizeof m_codeSet - 1] = 0;
    // Numbers are written and read with a decimal point whatever the locale.
    setlocale(LC_NUMERIC, "C");
    m_utf8 = ContainsNoCase(m_codeSet, "utf8") || ContainsNoCase(m_codeSet, "utf-8");

    m_toLocale.cd = iconv_open(m_codeSet, "UTF-8");
    m_fromLocale.cd = iconv_open("UTF-8", m_codeSet);
    m_toWide.cd = iconv_open(WideCodeSet, "UTF-8");
    m_fromWide.cd = iconv_open("UTF-8", WideCodeSet);
}

ORDAIconv::~ORDAIconv()
{
    for (Handle* h : {&m_toLocale, &m_fromLocale, &m_toWide, &m_fromWide})
        if (h->cd != reinterpret_cast<iconv_t>(-1)) iconv_close(h->cd);
}

void* ORDAIconv::Convert(Handle& h, const char* in, size_t inBytes, size_t outBytes)
{
    if (h.cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    std::lock_guard<std::mutex> handleLock(h.mutex);
    std::lock_guard<std::mutex> converterLock(m_mutex);
    if (outBytes < 8) outBytes = 8;
    for (;;) {
        char* out = static_cast<char*>(std::malloc(outBytes));
        if (!out) return nullptr;
        iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        size_t srcLeft = inBytes;
        char* dst = out;
        size_t dstLeft = outBytes;
        size_t rc = iconv(h.cd, &src, &srcLeft, &dst, &dstLeft);
        if (rc != static_cast<size_t>(-1)) {
            // Flush any pending shift sequence; the terminator is already out.
            if (iconv(h.cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1)) return out;
        }
        int err = errno;
        std::free(out);
        if (err != E2BIG) return nullptr;
        outBytes *= 2;
    }
}

char* ORDAIconv::UTF8ToLocale(const char* text)
{
    if (!text) return nullptr;
    size_t n = std::strlen(text) + 1;
    ORDAIconv& c = Instance();
    return static_cast<char*>(c.Convert(c.m_toLocale, text, n, n));
}

char* ORDAIconv::localeToUTF8(const char* text)
{
    if (!text) return nullptr;
    size_t n = std::strlen(text) + 1;
    ORDAIconv& c = Instance();
    return static_cast<char*>(c.Convert(c.m_fromLocale, text, n, n));
}

wchar_t* ORDAIconv::UTF8ToWide(const char* text)
{
    if (!text) return nullptr;
    size_t n = std::strlen(text) + 1;
    ORDAIconv& c = Instance();
    return static_cast<wchar_t*>(c.Convert(c.m_toWide, text, n, n));
}

char* ORDAIconv::wideToUTF8(const wchar_t* text)
{
    if (!text) return nullptr;
    size_t n = std::wcslen(text) * 4 + 4;
    ORDAIconv& c = Instance();
    return static_cast<char*>(c.Convert(c.m_fromWide, reinterpret_cast<const char*>(text), n, n));
}

void ORDAIconv::releaseLocale(char* text) { std::free(text); }
void ORDAIconv::releaseUTF8(char* text) { std::free(text); }
void ORDAIconv::releaseWide(wchar_t* text) { std::free(text); }

bool ORDAIconv::isLocaleUTF8() { return Instance().m_utf8; }

const char* ORDAIconv::CodeSet() { return Instance().m_codeSet; }

namespace ORDAStringHelper {

std::string UTF8ToLocale(const char* text)
{
    char* s = ORDAIconv::UTF8ToLocale(text);
    if (!s) return std::string();
    std::string r;
    try {
        r = s;
    } catch (...) {
        ORDAIconv::releaseLocale(s);
        throw;
    }
    ORDAIconv::releaseLocale(s);
    return r;
}

std::string UTF8ToLocale(const ORDAStackedString<40>& text) { return UTF8ToLocale(text.Beginning()); }

ORDAStackedString<40> LocaleToUTF8(const char* text)
{
    char* s = ORDAIconv::localeToUTF8(text);
    if (!s) return ORDAStackedString<40>();
    ORDAStackedString<40> r;
    try {
        r = s;
    } catch (...) {
        ORDAIconv::releaseUTF8(s);
        throw;
    }
    ORDAIconv::releaseUTF8(s);
    return r;
}

ORDAStackedString<40> LocaleToUTF8(const std::string& text) { return LocaleToUTF8(text.c_str()); }

bool isLocaleUTF8() { return ORDAIconv::isLocaleUTF8(); }

} // namespace ORDAStringHelper
