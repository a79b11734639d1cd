// Texts handed out through the libraries' 2048-byte text buffers.
#pragma once

#include <arpa/inet.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

// Reads the host addresses of enumeration search attributes (CAN or
// Ethernet records have the same shape); false when an attribute is not a
// well-formed IPv4 address.
template <typename Attribute, typename Kind>
bool ReadSearchHosts(uint32_t n, const Attribute* attrs, Kind ipv4, std::vector<std::string>* hosts) {
  for (uint32_t i = 0; i < n; ++i) {
    if (attrs[i].tSearchAttributeType != ipv4) return false;
    const std::size_t size = sizeof attrs[i].szSearchAttribute;
    const std::string text(attrs[i].szSearchAttribute, strnlen(attrs[i].szSearchAttribute, size));
    in_addr address{};
    if (text.size() == size || inet_pton(AF_INET, text.c_str(), &address) != 1) return false;
    hosts->push_back(text);
  }
  return true;
}

// Whether a channel of that host matches every searched host.
inline bool MatchesHosts(const std::vector<std::string>& hosts, const std::string& host) {
  return std::all_of(hosts.begin(), hosts.end(), [&](const std::string& h) { return h == host; });
}

// Texts of the library status codes (CAN and Ethernet share the numbering).
std::string StatusText(int32_t status, bool ethernet);

}  // namespace vtsim
