#include "orda_string_hash.h"

#include <cstring>

namespace {

inline void mix64(uint64_t& a, uint64_t& b, uint64_t& c)
{
    a -= b; a -= c; a ^= (c >> 43);
    b -= c; b -= a; b ^= (a << 9);
    c -= a; c -= b; c ^= (b >> 8);
    a -= b; a -= c; a ^= (c >> 38);
    b -= c; b -= a; b ^= (a << 23);
    c -= a; c -= b; c ^= (b >> 5);
    a -= b; a -= c; a ^= (c >> 35);
    b -= c; b -= a; b ^= (a << 49);
    c -= a; c -= b; c ^= (b >> 11);
    a -= b; a -= c; a ^= (c >> 12);
    b -= c; b -= a; b ^= (a << 18);
    c -= a; c -= b; c ^= (b >> 22);
}

// Little-endian word of n bytes (n <= 8) starting at k, shifted by shift bytes.
inline uint64_t Word(const unsigned char* k, int n, int shift = 0)
{
    uint64_t w = 0;
    for (int i = 0; i < n; ++i) w += static_cast<uint64_t>(k[i]) << (8 * (i + shift));
    return w;
}

} // namespace

uint64_t ORDAStringHashFunction::hash(const unsigned char* k, uint64_t length, uint64_t level)
{
    uint64_t a = level;
    uint64_t b = level;
    uint64_t c = 0x9E3779B97F4A7C13ULL;
    uint64_t len = length;

    while (len >= 24) {
        a += Word(k, 8);
        b += Word(k + 8, 8);
        c += Word(k + 16, 8);
        mix64(a, b, c);
        k += 24;
        len -= 24;
    }

    // The lowest byte of c is taken by the length.
    c += length;
    int rest = static_cast<int>(len);
    if (rest > 16) c += Word(k + 16, rest - 16, 1);
    if (rest > 8) b += Word(k + 8, rest > 16 ? 8 : rest - 8);
    a += Word(k, rest > 8 ? 8 : rest);
    mix64(a, b, c);
    return c;
}

uint64_t ORDAStringHashFunction::operator()(const ORDAStackedString<40>& s) const
{
    return hash(reinterpret_cast<const unsigned char*>(s.Beginning()), static_cast<uint64_t>(s.Length()), Level);
}

uint64_t ORDAStringHashFunction::operator()(const char* s) const
{
    if (!s) s = "";
    return hash(reinterpret_cast<const unsigned char*>(s), std::strlen(s), Level);
}
