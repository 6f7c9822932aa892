#pragma once

#include <cstdint>

#include "mesh/block_list.h"

namespace polymill {

// A single-precision float as the 32 bits the file holds. Floats travel from
// input to output as these patterns, never as float values: a float value may
// pass through the x87 unit of a 32-bit x86 host, which quiets signaling NaNs.
struct FloatBits {
  std::uint32_t bits = 0;
  bool operator==(const FloatBits&) const = default;
};

// One vertex position, the floats exactly as stored in the file.
struct Vertex {
  FloatBits x;
  FloatBits y;
  FloatBits z;
};

// One triangle: indices into its own mesh's vertices, and the flag word as stored.
struct Face {
  std::uint16_t a = 0;
  std::uint16_t b = 0;
  std::uint16_t c = 0;
  std::uint16_t flags = 0;
};

// One texture mapping coordinate.
struct MapCoord {
  FloatBits s;
  FloatBits t;
};

// Every mesh of the scene poured into three lists, in file order.
struct MeshLists {
  BlockList<Vertex> vertices;
  BlockList<Face> faces;
  BlockList<MapCoord> mapping;
};

}  // namespace polymill
