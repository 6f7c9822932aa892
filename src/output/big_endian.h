#pragma once

#include <cstdint>

namespace polymill {

// Stores a value most significant byte first and returns the end of what it stored.
constexpr char* storeBigEndian16(char* out, std::uint16_t value) {
  out[0] = static_cast<char>(value >> 8);
  out[1] = static_cast<char>(value);
  return out + 2;
}

constexpr char* storeBigEndian32(char* out, std::uint32_t value) {
  out[0] = static_cast<char>(value >> 24);
  out[1] = static_cast<char>(value >> 16);
  out[2] = static_cast<char>(value >> 8);
  out[3] = static_cast<char>(value);
  return out + 4;
}

}  // namespace polymill
