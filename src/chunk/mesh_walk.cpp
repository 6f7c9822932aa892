#include "chunk/mesh_walk.h"

#include "chunk/chunk_kinds.h"

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
    vertex.x = input.readFloat();
    vertex.y = input.readFloat();
    vertex.z = input.readFloat();
    lists.vertices.push_back(vertex);
  }
}

void readFaces(InputFile& input, MeshLists& lists, ByteWriter& console) {
  console.text("\nMesh Face List Found");
  const std::uint16_t count = readCount(input, console, "\nNumber of Faces: ");
  for (std::uint32_t i = 0; i < count; ++i) {
    Face face;
    face.a = input.readU16();
    face.b = input.readU16();
    face.c = input.readU16();
    face.flags = input.readU16();
    lists.faces.push_back(face);
  }
}

void readMapping(InputFile& input, MeshLists& lists, ByteWriter& console) {
  console.text("\nMesh Vertex Mapping List Found");
  const std::uint16_t count = readCount(input, console, "\nNumber of Vertices: ");
  for (std::uint32_t i = 0; i < count; ++i) {
    MapCoord coord;
    coord.s = input.readFloat();
    coord.t = input.readFloat();
    lists.mapping.push_back(coord);
    console.decimal(i);
    console.text(": s= ");
    console.floatText(coord.s);
    console.text(" t= ");
    console.floatText(coord.t);
    console.put('\n');
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
