#pragma once

#include <cstdint>

#include "chunk/chunk_kinds.h"
#include "mesh/mesh_types.h"
#include "output/byte_writer.h"

namespace polymill {

// Every word the walk prints about what it found, in the order it finds it.
// Chunk messages start a new line and leave it open; counts and mapping lines
// end theirs.
class Trace {
 public:
  explicit Trace(ByteWriter& console) : console_(console) {}

  // The message of a kind the walk acts on ("\nMain Chunk found", ...).
  void found(ChunkKind kind);
  // One byte of an object's name, echoed as read, its zero byte included.
  void nameByte(std::uint8_t byte) { console_.put(static_cast<char>(byte)); }
  // The count that opens a vertex, face or mapping list.
  void count(ChunkKind list, std::uint16_t count);
  // "i: s= S t= T", one line per mapping coordinate.
  void mappingLine(std::uint32_t index, const MapCoord& coord);

 private:
  ByteWriter& console_;
};

}  // namespace polymill
