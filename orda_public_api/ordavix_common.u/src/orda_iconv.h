#pragma once
// Conversions between UTF-8, the locale's character set and wide text.
// Results are newly allocated and go back through the matching release
// function; a null input or a failed conversion gives null.

#include <iconv.h>

#include <mutex>
#include <string>

#include "orda_string.h"

class ORDAIconv {
public:
    // The converter of the process, created when the library loads.
    static ORDAIconv& Instance();

    static char* UTF8ToLocale(const char* text);
    static char* localeToUTF8(const char* text);
    static wchar_t* UTF8ToWide(const char* text);
    static char* wideToUTF8(const wchar_t* text);
    static void releaseLocale(char* text);
    static void releaseUTF8(char* text);
    static void releaseWide(wchar_t* text);

    // The locale's code set is UTF-8.
    static bool isLocaleUTF8();
    // Code set name of the locale read at start-up.
    static const char* CodeSet();

    ORDAIconv(const ORDAIconv&) = delete;
    ORDAIconv& operator=(const ORDAIconv&) = delete;

private:
    struct Handle {
        iconv_t cd = reinterpret_cast<iconv_t>(-1);
        std::mutex mutex;
    };

    ORDAIconv();
    ~ORDAIconv();

    // Converts inBytes bytes (terminator included) into a malloc'ed block.
    void* Convert(Handle& h, const char* in, size_t inBytes, size_t outBytes);

    Handle m_toLocale;
    Handle m_fromLocale;
    Handle m_toWide;
    Handle m_fromWide;
    std::mutex m_mutex;
    char m_codeSet[64];
    bool m_utf8;
};

namespace ORDAStringHelper {
// Empty results when the conversion fails.
std::string UTF8ToLocale(const char* text);
std::string UTF8ToLocale(const ORDAStackedString<40>& text);
ORDAStackedString<40> LocaleToUTF8(const char* text);
ORDAStackedString<40> LocaleToUTF8(const std::string& text);
bool isLocaleUTF8();
} // namespace ORDAStringHelper
