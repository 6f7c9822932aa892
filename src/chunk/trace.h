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
  explicit Trace(ByteWriter& console) : console_(console), shield_(console.terminal()) {}

  // The message of a kind the walk acts on ("\nMain Chunk found", ...).
  void found(ChunkKind kind);
  // One byte of an object's name, echoed as read, its zero byte included. On a
  // terminal a control byte is shown as an escape (\x1b) instead, so that a
  // scene cannot send the terminal commands; elsewhere the bytes are as read.
  void nameByte(std::uint8_t byte);
  // The name has ended, at its zero byte or at the end of the input.
  void nameEnd();
  // The count that opens a vertex, face or mapping list.
  void count(ChunkKind list, std::uint16_t count);
  // "i: s= S t= T", one line per mapping coordinate.
  void mappingLine(std::uint32_t index, const MapCoord& coord);

 private:
  void escape(std::uint8_t byte);

  ByteWriter& console_;
  const bool shield_;
  // UTF-8 as it goes by, so that a C1 control (C2 80 to C2 9F) is told from a letter.
  bool heldC2_ = false;        // a C2 lead byte, held until the next byte says what it starts
  int continuationsLeft_ = 0;  // of the character being echoed
};

}  // namespace polymill
