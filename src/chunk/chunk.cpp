#include "chunk/chunk.h"

#include "input/little_endian.h"
#include "platform/memory.h"

namespace polymill {

namespace {

constexpr std::uint64_t kLastPosition = 0xFFFFFFFF;

// Null when the run's memory budget holds no more records: a file of empty
// chunks grows the chain as fast as a list.
Chunk* newRecordAt(std::uint64_t position, InputStream& input) {
  const auto header = input.record<kHeaderSize>();
  void* memory = platform::allocateClaimed(sizeof(Chunk), alignof(Chunk));
  if (memory == nullptr) {
    return nullptr;
  }
  auto* chunk = ::new (memory) Chunk;
  chunk->id = loadU16(&header[0]);
  chunk->length = loadU32(&header[2]);
  chunk->start = static_cast<std::uint32_t>(position);
  return chunk;
}

// Navigation fills the one successor slot; whichever operation runs first on a
// record decides it, and later calls return the same record untouched.
Chunk* successorAt(Chunk& chunk, InputStream& input, std::uint64_t position) {
  if (chunk.successor != nullptr) {
    return chunk.successor;
  }
  if (chunk.length == 0 || position > kLastPosition) {
    return nullptr;
  }
  input.seek(position);
  Chunk* next = newRecordAt(position, input);
  if (next == nullptr) {
    return nullptr;
  }
  next->predecessor = &chunk;
  chunk.successor = next;
  return next;
}

}  // namespace

Chunk* openRoot(InputStream& input) {
  if (!input.isOpen()) {
    return nullptr;
  }
  input.seek(0);
  return newRecordAt(0, input);
}

Chunk* nextChunk(Chunk& chunk, InputStream& input) {
  return successorAt(chunk, input, std::uint64_t{chunk.start} + chunk.length);
}

Chunk* firstChild(Chunk& chunk, InputStream& input, std::uint32_t skip) {
  return successorAt(chunk, input, std::uint64_t{chunk.start} + kHeaderSize + skip);
}

void releaseChain(Chunk* last) {
  while (last != nullptr) {
    Chunk* previous = last->predecessor;
    platform::releaseClaimed(last, alignof(Chunk));  // records are trivially destructible
    last = previous;
  }
}

ChunkChain::~ChunkChain() {
  Chunk* last = root_;
  while (last != nullptr && last->successor != nullptr) {
    last = last->successor;
  }
  releaseChain(last);
}

}  // namespace polymill
