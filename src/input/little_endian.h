#pragma once

#include <cstdint>

namespace polymill {

// Every value in a scene file is little-endian. Values are assembled from their
// bytes, so a big-endian host reads the same numbers.
constexpr std::uint16_t loadU16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

constexpr std::uint32_t loadU32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
         std::uint32_t{bytes[3]} << 24;
}

}  // namespace polymill
