#include "chunk/mesh_walk.h"

#include <algorithm>
#include <functional>
#include <new>
#include <span>

#include "chunk/chunk_kinds.h"
#include "chunk/trace.h"
#include "input/little_endian.h"

namespace polymill {

namespace {

// Echoes the object's name, its zero byte included, and returns the bytes it
// took: the name runs to its first zero byte or to the end of the input.
std::uint32_t readObjectName(const Chunk& object, InputStream& input, Trace& trace, ObjectIndex* index) {
  input.seek(std::uint64_t{object.start} + kHeaderSize);
  std::uint32_t length = 0;
  std::uint8_t byte = 1;
  while (byte != 0 && input.nextByte(byte)) {
    trace.nameByte(byte);
    if (index != nullptr && byte != 0) {
      index->nameByte(byte);
    }
    ++length;
  }
  trace.nameEnd();
  return length;
}

// Announces a list and reads the count that opens it; navigation has left the
// input right after the list's header. The count alone decides how many
// entries are appended.
std::uint16_t startList(ChunkKind list, InputStream& input, Trace& trace) {
  trace.found(list);
  const std::uint16_t count = loadU16(input.record<2>().data());
  trace.count(list, count);
  return count;
}

// Passes over `count` records of Size bytes, handing take(bytes, records)
// each run of them: those wholly at hand in the input in one piece, one that
// straddles the bytes at hand, or the end of the input, alone.
template <std::size_t Size, typename Take>
void passRecords(InputStream& input, std::size_t count, Take take) {
  while (count > 0) {
    const std::span<const std::uint8_t> bytes = input.atHand();
    const std::size_t whole = std::min(count, bytes.size() / Size);
    take(bytes.data(), whole);
    input.skip(whole * Size);
    count -= whole;
    if (count > 0) {
      take(input.record<Size>().data(), 1);
      --count;
    }
  }
}

// Appends `count` records to `list`, calling `seen` on each as it is read.
// The list keeps only where they lie in the scene, but the walk still passes
// over them, so that the input ends where it would; they are counted once
// read, so that an input read in order holds them by then.
template <typename T, typename Seen>
bool readRecords(InputStream& input, RecordList<T>& list, std::uint16_t count, Seen seen) {
  using Layout = SceneLayout<T>;
  const std::uint64_t start = input.position();
  passRecords<Layout::kBytes>(input, count, [&](const std::uint8_t* bytes, std::size_t records) {
    for (std::size_t i = 0; i < records; ++i) {
      seen(Layout::read(bytes + i * Layout::kBytes));
    }
  });
  return list.appendFromScene(start, count);
}

// Each reader returns false when its list could not grow: memory has run out.
// Each is a call of its own, for every list: an engine that compiles
// WebAssembly in tiers (V8) swaps in the optimized code of a function at its
// next call, never inside a loop that is running, and a walk is one call.
[[gnu::noinline]] bool readVertices(InputStream& input, MeshLists& lists, Trace& trace, ObjectIndex* index) {
  const std::uint16_t count = startList(MESH_VERTEX_LIST, input, trace);
  if (index == nullptr) {
    return readRecords(input, lists.vertices, count, [](const Vertex&) {});
  }
  return readRecords(input, lists.vertices, count, [&](const Vertex& vertex) { index->vertexRead(vertex); });
}

[[gnu::noinline]] bool readFaces(InputStream& input, MeshLists& lists, Trace& trace, ObjectIndex*) {
  const std::uint16_t count = startList(MESH_FACE_LIST, input, trace);
  return readRecords(input, lists.faces, count, [](const Face&) {});
}

[[gnu::noinline]] bool readMapping(InputStream& input, MeshLists& lists, Trace& trace, ObjectIndex*) {
  const std::uint16_t count = startList(MESH_MAPPING_LIST, input, trace);
  std::uint32_t index = 0;
  return readRecords(input, lists.mapping, count, [&](const MapCoord& coord) { trace.mappingLine(index++, coord); });
}

// What the walk carries from chunk to chunk.
struct Walk {
  InputStream& input;
  MeshLists& lists;
  Trace trace;
  ObjectIndex* index;  // null where no index is wanted
};

// Reads a list with `read` and tells the index how many records it appended
// to `list`. False when the list could not grow.
template <typename Read, typename Item, typename Added>
bool readList(Walk& walk, Read read, const RecordList<Item>& list, Added added) {
  const std::size_t before = list.size();
  const bool complete = read(walk.input, walk.lists, walk.trace, walk.index);
  if (walk.index != nullptr) {
    added(*walk.index, list.size() - before);
  }
  return complete;
}

// Acts on one chunk by its id alone and returns where the walk goes next.
Chunk* visit(Chunk& current, Walk& walk) {
  ObjectIndex* const index = walk.index;
  switch (current.id) {
    case OBJECT_MESH:
      if (index != nullptr) {
        index->meshFound();
      }
      [[fallthrough]];
    case MAIN:
    case EDIT3DS:
      walk.trace.found(static_cast<ChunkKind>(current.id));
      return firstChild(current, walk.input, 0);
    case OBJECT: {
      walk.trace.found(OBJECT);
      if (index != nullptr) {
        index->openObject();
      }
      const std::uint32_t nameLength = readObjectName(current, walk.input, walk.trace, index);
      return firstChild(current, walk.input, nameLength);
    }
    case MESH_VERTEX_LIST:
      return readList(walk, readVertices, walk.lists.vertices, std::mem_fn(&ObjectIndex::verticesAdded))
                 ? nextChunk(current, walk.input)
                 : nullptr;
    case MESH_FACE_LIST:
      // Sub-chunks after the faces (materials, smoothing) are stepped over with the list.
      return readList(walk, readFaces, walk.lists.faces, std::mem_fn(&ObjectIndex::facesAdded))
                 ? nextChunk(current, walk.input)
                 : nullptr;
    case MESH_MAPPING_LIST:
      return readList(walk, readMapping, walk.lists.mapping, std::mem_fn(&ObjectIndex::mappingAdded))
                 ? nextChunk(current, walk.input)
                 : nullptr;
    default:
      return nextChunk(current, walk.input);
  }
}

}  // namespace

Chunk* walkChunks(Chunk& root, InputStream& input, MeshLists& lists, ByteWriter& console, ObjectIndex* index) {
  Walk walk{input, lists, Trace(console), index};
  Chunk* last = &root;
  for (Chunk* current = &root; current != nullptr; current = visit(*current, walk)) {
    last = current;
  }
  return last;
}

}  // namespace polymill
