#pragma once

// Builds 3DS byte streams for the tests, so that every fixture reads as the
// chunk tree it is and every length is right unless a test sets it on purpose.

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace polymill::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes u16(std::uint16_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}

inline Bytes u32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

inline Bytes f32(float value) { return u32(std::bit_cast<std::uint32_t>(value)); }

inline Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

// A name with its terminating zero byte.
inline Bytes cstr(std::string_view name) {
  Bytes bytes(name.begin(), name.end());
  bytes.push_back(0);
  return bytes;
}

// A chunk whose header declares `length`, whatever the payload holds.
inline Bytes chunkWithLength(std::uint16_t id, std::uint32_t length, std::initializer_list<Bytes> payload = {}) {
  return cat({u16(id), u32(length), cat(payload)});
}

// A chunk whose length is its header plus its payload.
inline Bytes chunk(std::uint16_t id, std::initializer_list<Bytes> payload = {}) {
  const Bytes body = cat(payload);
  return cat({u16(id), u32(static_cast<std::uint32_t>(6 + body.size())), body});
}

struct Xyz {
  float x, y, z;
};
struct Abcf {
  std::uint16_t a, b, c, flags;
};
struct St {
  float s, t;
};

inline Bytes vertexEntries(std::initializer_list<Xyz> vertices) {
  Bytes bytes;
  for (const Xyz& v : vertices) {
    bytes = cat({bytes, f32(v.x), f32(v.y), f32(v.z)});
  }
  return bytes;
}

inline Bytes faceEntries(std::initializer_list<Abcf> faces) {
  Bytes bytes;
  for (const Abcf& f : faces) {
    bytes = cat({bytes, u16(f.a), u16(f.b), u16(f.c), u16(f.flags)});
  }
  return bytes;
}

inline Bytes mappingEntries(std::initializer_list<St> coords) {
  Bytes bytes;
  for (const St& c : coords) {
    bytes = cat({bytes, f32(c.s), f32(c.t)});
  }
  return bytes;
}

}  // namespace polymill::test
