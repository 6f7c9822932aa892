#pragma once

#include <cstddef>
#include <cstdint>

#include "input/little_endian.h"
#include "mesh/record_list.h"

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

// How each record is stored in a scene: its size and its little-endian fields.
template <>
struct SceneLayout<Vertex> {
  static constexpr std::size_t kBytes = 12;
  static Vertex read(const std::uint8_t* bytes) {
    return {{loadU32(&bytes[0])}, {loadU32(&bytes[4])}, {loadU32(&bytes[8])}};
  }
};

template <>
struct SceneLayout<Face> {
  static constexpr std::size_t kBytes = 8;
  static Face read(const std::uint8_t* bytes) {
    return {loadU16(&bytes[0]), loadU16(&bytes[2]), loadU16(&bytes[4]), loadU16(&bytes[6])};
  }
};

template <>
struct SceneLayout<MapCoord> {
  static constexpr std::size_t kBytes = 8;
  static MapCoord read(const std::uint8_t* bytes) { return {{loadU32(&bytes[0])}, {loadU32(&bytes[4])}}; }
};

// Every mesh of the scene poured into three lists, in file order, each
// keeping where its records lie in the scene (see RecordList).
struct MeshLists {
  explicit MeshLists(InputStream& scene) : records(scene), vertices(records), faces(records), mapping(records) {}
  MeshLists(const MeshLists&) = delete;
  MeshLists& operator=(const MeshLists&) = delete;

  SceneRecords records;
  RecordList<Vertex> vertices;
  RecordList<Face> faces;
  RecordList<MapCoord> mapping;
};

}  // namespace polymill
