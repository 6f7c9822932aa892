#pragma once

#include <cstdint>

namespace polymill {

// The chunk kinds the walk acts on, named after the words of its trace.
enum ChunkKind : std::uint16_t {
  MAIN = 0x4D4D,
  EDIT3DS = 0x3D3D,
  OBJECT = 0x4000,
  OBJECT_MESH = 0x4100,
  MESH_VERTEX_LIST = 0x4110,
  MESH_FACE_LIST = 0x4120,
  MESH_MAPPING_LIST = 0x4140,
};

}  // namespace polymill
