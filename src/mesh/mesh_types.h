#pragma once

#include <cstdint>

#include "mesh/block_list.h"

namespace polymill {

// One vertex position, the floats exactly as stored in the file.
struct Vertex {
  float x = 0;
  float y = 0;
  float z = 0;
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
  float s = 0;
  float t = 0;
};

// Every mesh of the scene poured into three lists, in file order.
struct MeshLists {
  BlockList<Vertex> vertices;
  BlockList<Face> faces;
  BlockList<MapCoord> mapping;
};

}  // namespace polymill
