#pragma once

#include <cstdint>

namespace vantric {

// The numbers of a PE file and of its version block are little-endian,
// whatever the machine reading them.
inline std::uint16_t LittleEndian16(const std::uint8_t (&raw)[2]) {
  return static_cast<std::uint16_t>(raw[0] | raw[1] << 8);
}

inline std::uint32_t LittleEndian32(const std::uint8_t (&raw)[4]) {
  return static_cast<std::uint32_t>(raw[0]) | static_cast<std::uint32_t>(raw[1]) << 8 |
         static_cast<std::uint32_t>(raw[2]) << 16 | static_cast<std::uint32_t>(raw[3]) << 24;
}

}  // namespace vantric
