#pragma once
// String builder: every message of the runtime is composed with operator<<.

#include <cstddef>

#include "orda_string.h"

struct ORDASManip {
    enum Manip : unsigned int {
        dec = 0,
        hex = 1,
        oct = 2,
        // Appends a line feed.
        endl = 16,
        // The text is always zero-terminated, so this appends nothing: an
        // embedded zero byte would cut the C view of the text short.
        ends = 17,
        S_NUMERIC_MASK = 0xF
    };
};

class ORDAStreamedString : public ORDAStackedString<40> {
public:
    ORDAStreamedString() = default;
    ORDAStreamedString(const char* s) : ORDAStackedString<40>(s) {}
    ORDAStreamedString(const ORDAStackedString<40>& s) : ORDAStackedString<40>(s) {}
    ORDAStreamedString(const ORDAStreamedString&) = default;
    ORDAStreamedString& operator=(const ORDAStreamedString&) = default;
    ORDAStreamedString& operator=(const char* s)
    {
        ORDAStackedString<40>::operator=(s);
        return *this;
    }

    ORDAStreamedString& operator<<(ORDASManip::Manip m);
    ORDAStreamedString& operator<<(const char* s);
    ORDAStreamedString& operator<<(char c);
    ORDAStreamedString& operator<<(const ORDAStackedString<40>& s);
    ORDAStreamedString& operator<<(short v);
    ORDAStreamedString& operator<<(unsigned short v);
    ORDAStreamedString& operator<<(int v);
    ORDAStreamedString& operator<<(unsigned int v);
    ORDAStreamedString& operator<<(long v);
    ORDAStreamedString& operator<<(unsigned long v);
    ORDAStreamedString& operator<<(long long v);
    ORDAStreamedString& operator<<(unsigned long long v);
    ORDAStreamedString& operator<<(float v);
    ORDAStreamedString& operator<<(double v);
    ORDAStreamedString& operator<<(const void* p);
    // Written as "true" / "false" rather than as a number.
    ORDAStreamedString& operator<<(bool v);
    ORDAStreamedString& operator<<(std::nullptr_t);

    unsigned int m_fmtflags = 0;

private:
    enum class Base { Dec, Hex, Oct };
    Base CurrentBase() const;
    ORDAStreamedString& Printf(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(ORDAStreamedString) == 80);
static_assert(offsetof(ORDAStreamedString, m_fmtflags) == 72);
#pragma GCC diagnostic pop
