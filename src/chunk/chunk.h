#pragma once

#include <cstdint>

#include "input/input_stream.h"

namespace polymill {

// Every chunk starts with a 2-byte id and a 4-byte length that counts the header too.
constexpr std::uint32_t kHeaderSize = 6;

// One visited chunk header. The records of a walk form one chain from the root
// through `successor`, with `predecessor` as the back link; the chain owns them.
struct Chunk {
  std::uint16_t id = 0;
  std::uint32_t length = 0;
  std::uint32_t start = 0;  // where the header was looked for, read or not
  Chunk* successor = nullptr;
  Chunk* predecessor = nullptr;
};

// Navigation creates each record within the run's memory budget (see
// platform::allocateClaimed) and yields none when the budget holds no more.

// Reads the header at offset 0 into a new root record. Null when the input is
// not open; a file too short for a whole header gives a root holding the bytes
// that arrived, the rest zero.
Chunk* openRoot(InputStream& input);

// The chunk that follows `chunk`: the header at start + length. None when the
// length is 0 or that position would pass 0xFFFFFFFF, so every walk ends.
Chunk* nextChunk(Chunk& chunk, InputStream& input);

// The first chunk inside `chunk`: the header at start + 6 + skip, where skip is
// the payload that stands in front of it. None when the length is 0 or that
// position would pass 0xFFFFFFFF.
Chunk* firstChild(Chunk& chunk, InputStream& input, std::uint32_t skip);

// Deletes the whole chain, from its last record back to the root.
void releaseChain(Chunk* last);

// Holds a chain from its root and releases all of it on every way out,
// however far navigation got.
class ChunkChain {
 public:
  explicit ChunkChain(Chunk* root) : root_(root) {}
  ~ChunkChain();
  ChunkChain(const ChunkChain&) = delete;
  ChunkChain& operator=(const ChunkChain&) = delete;

  Chunk* root() const { return root_; }

 private:
  Chunk* root_;
};

}  // namespace polymill
