// Texts handed out through the libraries' 2048-byte text buffers.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "vtbusapi_types.h"

namespace vtsim {

inline void WriteText(char* out, const std::string& text) {
  if (out == nullptr) return;
  const std::size_t n = std::min(text.size(), VTBUSAPI_TEXT_BUFFER_SIZE - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

// Copies a record text field, truncating to the field.
template <std::size_t N>
void CopyField(char (&field)[N], const std::string& text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// Texts of the library status codes (CAN and Ethernet share the numbering).
std::string StatusText(int32_t status, bool ethernet);

}  // namespace vtsim
