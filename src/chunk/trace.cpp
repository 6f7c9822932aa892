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

namespace {

constexpr std::uint8_t kC1Lead = 0xC2;

bool isContinuation(std::uint8_t byte) { return byte >= 0x80 && byte <= 0xBF; }

// C0 controls but the name's terminating zero, DEL, and C1 controls standing as single bytes.
bool isControl(std::uint8_t byte) { return (byte != 0 && byte < 0x20) || (byte >= 0x7F && byte <= 0x9F); }

int continuationsAfter(std::uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) {
    return 1;
  }
  if (lead >= 0xE0 && lead <= 0xEF) {
    return 2;
  }
  return lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
}

}  // namespace

void Trace::nameByte(std::uint8_t byte) {
  if (!shield_) {
    console_.put(static_cast<char>(byte));
    return;
  }
  if (heldC2_) {
    heldC2_ = false;
    if (byte >= 0x80 && byte <= 0x9F) {
      escape(kC1Lead);
      escape(byte);
      return;
    }
    console_.put(static_cast<char>(kC1Lead));
    if (isContinuation(byte)) {
      console_.put(static_cast<char>(byte));
      return;
    }
  }
  if (continuationsLeft_ > 0 && isContinuation(byte)) {
    --continuationsLeft_;
    console_.put(static_cast<char>(byte));
    return;
  }
  continuationsLeft_ = 0;
  if (byte == kC1Lead) {
    heldC2_ = true;
  } else if (isControl(byte)) {
    escape(byte);
  } else {
    console_.put(static_cast<char>(byte));
    continuationsLeft_ = continuationsAfter(byte);
  }
}

void Trace::nameEnd() {
  if (heldC2_) {
    console_.put(static_cast<char>(kC1Lead));
  }
  heldC2_ = false;
  continuationsLeft_ = 0;
}

void Trace::escape(std::uint8_t byte) {
  static constexpr char kHex[] = "0123456789abcdef";
  const char text[] = {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
  console_.write(text, sizeof text);
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
  if (console_.pastHead()) {
    return;  // the most costly text there is, and no one would see it
  }
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
