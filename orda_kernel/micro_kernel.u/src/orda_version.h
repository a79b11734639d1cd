#pragma once
#include <cstdint>

namespace ORDA {
// Byte 2 major, byte 1 minor, byte 0 patch: 4.10.4.
inline constexpr std::int32_t KernelBuild = 0x00040A04;
// The only interface version ORDAPckInit accepts.
inline constexpr int PackageInterfaceVersion = 525624;
static_assert(PackageInterfaceVersion == 0x00080538);
}
