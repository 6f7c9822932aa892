#include "chunk/trace.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "chunk/float_text.h"

namespace polymill {

namespace {

constexpr std::size_t kDecimalMax = 10;  // 4294967295

char* writeText(std::string_view text, char* out) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* writeDecimal(std::uint32_t value, char* out) { return std::to_chars(out, out + kDecimalMax, value).ptr; }

std::string_view countLabel(ChunkKind list) {
  // A mapping list counts its coordinates in the vertex list's words.
  return list == MESH_FACE_LIST ? "\nNumber of Faces: " : "\nNumber of Vertices: ";
}

constexpr std::size_t kCountLineRoom = 21 + kDecimalMax + 1;
// "4294967295: s= -1.23456e-038 t= " and the second float's room, which is more than its text.
constexpr std::size_t kMappingLineRoom = kDecimalMax + 5 + kFloatTextMax + 4 + kFloatTextRoom + 1;

}  // namespace

void Trace::found(ChunkKind kind) {
  switch (kind) {
    case MAIN:
      return console_.text("\nMain Chunk found");
    case EDIT3DS:
      return console_.text("\nEdit3DS Chunk found");
    case OBJECT:
      return console_.text("\nObject Found: ");
    case OBJECT_MESH:
      return console_.text("\nObject Mesh Found");
    case MESH_VERTEX_LIST:
      return console_.text("\nMesh Vertex List Found");
    case MESH_FACE_LIST:
      return console_.text("\nMesh Face List Found");
    case MESH_MAPPING_LIST:
      return console_.text("\nMesh Vertex Mapping List Found");
  }
}

void Trace::count(ChunkKind list, std::uint16_t count) {
  char* out = console_.reserve(kCountLineRoom);
  out = writeText(countLabel(list), out);
  out = writeDecimal(count, out);
  *out++ = '\n';
  console_.commit(out);
}

// Built in place: a large scene has millions of these lines.
void Trace::mappingLine(std::uint32_t index, const MapCoord& coord) {
  char* out = console_.reserve(kMappingLineRoom);
  out = writeDecimal(index, out);
  out = writeText(": s= ", out);
  out = writeFloatText(coord.s.bits, out);
  out = writeText(" t= ", out);
  out = writeFloatText(coord.t.bits, out);
  *out++ = '\n';
  console_.commit(out);
}

}  // namespace polymill
