#pragma once
// 64-bit string hash (Bob Jenkins' lookup8).

#include <cstddef>
#include <cstdint>

#include "orda_string.h"

class ORDAStringHashFunction {
public:
    static constexpr uint64_t Level = 0xDEAD;

    // lookup8 hash of length bytes at k, seeded with level.
    static uint64_t hash(const unsigned char* k, uint64_t length, uint64_t level);

    uint64_t operator()(const ORDAStackedString<40>& s) const;
    uint64_t operator()(const char* s) const;
};
