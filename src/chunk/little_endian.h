#pragma once

#include <cstddef>
#include <cstdint>

namespace polymill {

// Assembles `arrived` bytes into a value, least significant byte first. Bytes
// that never arrived leave the high part zero, which is how a value cut short
// by the end of the input reads.
constexpr std::uint32_t littleEndian(const std::uint8_t* bytes, std::size_t arrived) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < arrived; ++i) {
    value |= std::uint32_t{bytes[i]} << (8 * i);
  }
  return value;
}

}  // namespace polymill
