#include "orda_streamed_string.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

ORDAStreamedString::Base ORDAStreamedString::CurrentBase() const
{
    if (m_fmtflags & ORDASManip::hex) return Base::Hex;
    if (m_fmtflags & ORDASManip::oct) return Base::Oct;
    return Base::Dec;
}

ORDAStreamedString& ORDAStreamedString::Printf(const char* fmt, ...)
{
    // Large enough for any number or pointer these operators print.
    char tmp[64];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(tmp, sizeof tmp, fmt, ap);
    va_end(ap);
    if (n > 0) Append(tmp, n < static_cast<int>(sizeof tmp) ? n : static_cast<int>(sizeof tmp) - 1);
    return *this;
}

ORDAStreamedString& ORDAStreamedString::operator<<(ORDASManip::Manip m)
{
    switch (m) {
    case ORDASManip::endl:
        Append("\n", 1);
        break;
    case ORDASManip::ends:
        break;
    default:
        m_fmtflags = (m_fmtflags & ~static_cast<unsigned int>(ORDASManip::S_NUMERIC_MASK)) |
                     (m & ORDASManip::S_NUMERIC_MASK);
        break;
    }
    return *this;
}

ORDAStreamedString& ORDAStreamedString::operator<<(const char* s)
{
    if (s) Append(s, static_cast<int>(std::strlen(s)));
    return *this;
}

ORDAStreamedString& ORDAStreamedString::operator<<(char c)
{
    Append(&c, 1);
    return *this;
}

ORDAStreamedString& ORDAStreamedString::operator<<(const ORDAStackedString<40>& s)
{
    // Stops at an embedded zero byte as well as at the length.
    Append(s.str, static_cast<int>(strnlen(s.str, static_cast<size_t>(s.l))));
    return *this;
}

ORDAStreamedString& ORDAStreamedString::operator<<(short v)
{
    switch (CurrentBase()) {
    case Base::Hex: return Printf("%x", static_cast<unsigned int>(static_cast<unsigned short>(v)));
    case Base::Oct: return Printf("%o", static_cast<unsigned int>(static_cast<unsigned short>(v)));
    default: return Printf("%d", static_cast<int>(v));
    }
}

ORDAStreamedString& ORDAStreamedString::operator<<(unsigned short v)
{
    return *this << static_cast<unsigned int>(v);
}

ORDAStreamedString& ORDAStreamedString::operator<<(int v)
{
    switch (CurrentBase()) {
    case Base::Hex: return Printf("%x", static_cast<unsigned int>(v));
    case Base::Oct: return Printf("%o", static_cast<unsigned int>(v));
    default: return Printf("%d", v);
    }
}

ORDAStreamedString& ORDAStreamedString::operator<<(unsigned int v)
{
    switch (CurrentBase()) {
    case Base::Hex: return Printf("%x", v);
    case Base::Oct: return Printf("%o", v);
    default: return Printf("%u", v);
    }
}

ORDAStreamedString& ORDAStreamedString::operator<<(long v)
{
    switch (CurrentBase()) {
    case Base::Hex: return Printf("%lx", static_cast<unsigned long>(v));
    case Base::Oct: return Printf("%lo", static_cast<unsigned long>(v));
    default: return Printf("%ld", v);
    }
}

ORDAStreamedString& ORDAStreamedString::operator<<(unsigned long v)
{
    switch (CurrentBase()) {
    case Base::Hex: return Printf("%lx", v);
    case Base::Oct: return Printf("%lo", v);
    default: return Printf("%lu", v);
    }
}

ORDAStreamedString& ORDAStreamedString::operator<<(long long v)
{
    switch (CurrentBase()) {
    case Base::Hex: return Printf("%llx", static_cast<unsigned long long>(v));
    case Base::Oct: return Printf("%llo", static_cast<unsigned long long>(v));
    default: return Printf("%lld", v);
    }
}

ORDAStreamedString& ORDAStreamedString::operator<<(unsigned long long v)
{
    switch (CurrentBase()) {
    case Base::Hex: return Printf("%llx", v);
    case Base::Oct: return Printf("%llo", v);
    default: return Printf("%llu", v);
    }
}

ORDAStreamedString& ORDAStreamedString::operator<<(float v)
{
    return Printf("%.10g", static_cast<double>(v));
}

ORDAStreamedString& ORDAStreamedString::operator<<(double v)
{
    return Printf("%.10g", v);
}

ORDAStreamedString& ORDAStreamedString::operator<<(const void* p)
{
    return Printf("%p", p);
}

ORDAStreamedString& ORDAStreamedString::operator<<(bool v)
{
    return *this << (v ? "true" : "false");
}

ORDAStreamedString& ORDAStreamedString::operator<<(std::nullptr_t)
{
    return Printf("%p", static_cast<const void*>(nullptr));
}
