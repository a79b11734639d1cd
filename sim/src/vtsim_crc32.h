// CRC-32 of IEEE 802.3, the Ethernet frame check sequence.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vtsim {

uint32_t Crc32(const uint8_t* data, std::size_t length);

}  // namespace vtsim
