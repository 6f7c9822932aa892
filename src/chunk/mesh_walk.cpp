#include "chunk/mesh_walk.h"

#include <bit>
#include <charconv>
#include <cstring>
#include <string_view>

#include "chunk/chunk_kinds.h"
#include "chunk/little_endian.h"
#include "output/float_text.h"

namespace polymill {

namespace {

// Echoes the object's name, its zero byte included, and returns the bytes it
// took: the name runs to its first zero byte or to the end of the input.
std::uint32_t readObjectName(const Chunk& object, InputFile& input, ByteWriter& console) {
  input.seek(std::uint64_t{object.start} + kHeaderSize);
  std::uint32_t length = 0;
  std::uint8_t byte = 1;
  while (byte != 0 && input.read(&byte, 1) == 1) {
    console.put(static_cast<char>(byte));
    ++length;
  }
  return length;
}

// Records wholly in the input's buffer are decoded in place; the others value by
// value, which also gives a record cut by the end of the input its partial values.
float floatAt(const std::uint8_t* bytes) { return std::bit_cast<float>(littleEndian(bytes, 4)); }
std::uint16_t wordAt(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(littleEndian(bytes, 2)); }

// Reads and prints the count that opens a list; navigation has left the input
// right after the list's header.
std::uint16_t readCount(InputFile& input, ByteWriter& console, std::string_view countLabel) {
  const std::uint16_t count = input.readU16();
  console.text(countLabel);
  console.decimal(count);
  console.put('\n');
  return count;
}

void readVertices(InputFile& input, MeshLists& lists, ByteWriter& console) {
  console.text("\nMesh Vertex List Found");
  const std::uint16_t count = readCount(input, console, "\nNumber of Vertices: ");
  for (std::uint32_t i = 0; i < count; ++i) {
    Vertex vertex;
    if (const std::uint8_t* bytes = input.take(12)) {
      vertex = {floatAt(bytes), floatAt(bytes + 4), floatAt(bytes + 8)};
    } else {
      vertex.x = input.readFloat();
      vertex.y = input.readFloat();
      vertex.z = input.readFloat();
    }
    lists.vertices.push_back(vertex);
  }
}

void readFaces(InputFile& input, MeshLists& lists, ByteWriter& console) {
  console.text("\nMesh Face List Found");
  const std::uint16_t count = readCount(input, console, "\nNumber of Faces: ");
  for (std::uint32_t i = 0; i < count; ++i) {
    Face face;
    if (const std::uint8_t* bytes = input.take(8)) {
      face = {wordAt(bytes), wordAt(bytes + 2), wordAt(bytes + 4), wordAt(bytes + 6)};
    } else {
      face.a = input.readU16();
      face.b = input.readU16();
      face.c = input.readU16();
      face.flags = input.readU16();
    }
    lists.faces.push_back(face);
  }
}

// Room for "65534: s= -1.23456e-038 t= -1.23456e-038\n" and the second float's spare room.
constexpr std::size_t kMappingLineRoom = 5 + 5 + kFloatTextMax + 4 + kFloatTextRoom;

char* copyText(std::string_view text, char* out) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// One trace line per coordinate, built in place: there are millions of them.
char* writeMappingLine(std::uint32_t index, const MapCoord& coord, char* out) {
  out = std::to_chars(out, out + 5, index).ptr;
  out = copyText(": s= ", out);
  out = writeFloatText(coord.s, out);
  out = copyText(" t= ", out);
  out = writeFloatText(coord.t, out);
  *out++ = '\n';
  return out;
}

void readMapping(InputFile& input, MeshLists& lists, ByteWriter& console) {
  console.text("\nMesh Vertex Mapping List Found");
  const std::uint16_t count = readCount(input, console, "\nNumber of Vertices: ");
  for (std::uint32_t i = 0; i < count; ++i) {
    MapCoord coord;
    if (const std::uint8_t* bytes = input.take(8)) {
      coord = {floatAt(bytes), floatAt(bytes + 4)};
    } else {
      coord.s = input.readFloat();
      coord.t = input.readFloat();
    }
    lists.mapping.push_back(coord);
    console.commit(writeMappingLine(i, coord, console.reserve(kMappingLineRoom)));
  }
}

// Acts on one chunk by its id alone and returns where the walk goes next.
Chunk* visit(Chunk& current, InputFile& input, MeshLists& lists, ByteWriter& console) {
  switch (current.id) {
    case MAIN:
      console.text("\nMain Chunk found");
      return firstChild(current, input, 0);
    case EDIT3DS:
      console.text("\nEdit3DS Chunk found");
      return firstChild(current, input, 0);
    case OBJECT_MESH:
      console.text("\nObject Mesh Found");
      return firstChild(current, input, 0);
    case OBJECT: {
      console.text("\nObject Found: ");
      const std::uint32_t nameLength = readObjectName(current, input, console);
      return firstChild(current, input, nameLength);
    }
    case MESH_VERTEX_LIST:
      readVertices(input, lists, console);
      return nextChunk(current, input);
    case MESH_FACE_LIST:
      // Sub-chunks after the faces (materials, smoothing) are stepped over with the list.
      readFaces(input, lists, console);
      return nextChunk(current, input);
    case MESH_MAPPING_LIST:
      readMapping(input, lists, console);
      return nextChunk(current, input);
    default:
      return nextChunk(current, input);
  }
}

}  // namespace

Chunk* walkChunks(Chunk& root, InputFile& input, MeshLists& lists, ByteWriter& console) {
  Chunk* last = &root;
  for (Chunk* current = &root; current != nullptr; current = visit(*current, input, lists, console)) {
    last = current;
  }
  return last;
}

}  // namespace polymill
