#include "chunk/chunk.h"

namespace polymill {

namespace {

constexpr std::uint64_t kLastPosition = 0xFFFFFFFF;

void readHeader(Chunk& chunk, InputFile& input) {
  chunk.id = input.readU16();
  chunk.length = input.readU32();
}

// Navigation fills the one successor slot; whichever operation runs first on a
// record decides it, and later calls return the same record untouched.
Chunk* successorAt(Chunk& chunk, InputFile& input, std::uint64_t position) {
  if (chunk.successor != nullptr) {
    return chunk.successor;
  }
  if (chunk.length == 0 || position > kLastPosition) {
    return nullptr;
  }
  input.seek(position);
  auto* next = new Chunk;
  readHeader(*next, input);
  next->start = static_cast<std::uint32_t>(position);
  next->predecessor = &chunk;
  chunk.successor = next;
  return next;
}

}  // namespace

Chunk* openRoot(InputFile& input) {
  if (!input.isOpen()) {
    return nullptr;
  }
  input.seek(0);
  auto* root = new Chunk;
  readHeader(*root, input);
  return root;
}

Chunk* nextChunk(Chunk& chunk, InputFile& input) {
  return successorAt(chunk, input, std::uint64_t{chunk.start} + chunk.length);
}

Chunk* firstChild(Chunk& chunk, InputFile& input, std::uint32_t skip) {
  return successorAt(chunk, input, std::uint64_t{chunk.start} + kHeaderSize + skip);
}

void releaseChain(Chunk* last) {
  while (last != nullptr) {
    Chunk* previous = last->predecessor;
    delete last;
    last = previous;
  }
}

}  // namespace polymill
