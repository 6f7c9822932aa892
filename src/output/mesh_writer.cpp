#include "output/mesh_writer.h"

#include <string_view>

#include "output/big_endian.h"

namespace polymill {

namespace {

bool report(ByteWriter& console, std::string_view message) {
  console.text(message);
  return false;
}

bool openFile(OutputFile& output, const OutputTarget& target, std::string_view cannotOpen, ByteWriter& console) {
  return output.open(target) || report(console, cannotOpen);
}

// Writes every record and closes the file, so that a full disk shows here.
template <typename List, typename WriteRecord>
bool writeFile(OutputFile& output, List& records, WriteRecord writeRecord, std::string_view cannotWrite,
               ByteWriter& console) {
  records.drain([&](const auto& record) { writeRecord(output, record); });
  return output.close() || report(console, cannotWrite);
}

// One record at a time, straight into the output buffer.
void writeVertex(OutputFile& output, const Vertex& vertex) {
  char* out = output.reserve(12);
  out = storeBigEndian32(out, vertex.x.bits);
  out = storeBigEndian32(out, vertex.y.bits);
  output.commit(storeBigEndian32(out, vertex.z.bits));
}

void writeFace(OutputFile& output, const Face& face) {
  char* out = output.reserve(6);
  out = storeBigEndian16(out, face.a);
  out = storeBigEndian16(out, face.b);
  output.commit(storeBigEndian16(out, face.c));
}

void writeMapCoord(OutputFile& output, const MapCoord& coord) {
  char* out = output.reserve(8);
  out = storeBigEndian32(out, coord.s.bits);
  output.commit(storeBigEndian32(out, coord.t.bits));
}

}  // namespace

bool writeOutputs(MeshLists& lists, OutputFile& output, const OutputTargets& targets, ByteWriter& console) {
  if (!output.isOpen()) {
    return report(console, "Error Opening File to write Vertices\n");
  }
  if (!writeFile(output, lists.vertices, writeVertex, "Error Writing Vertices\n", console) ||
      !openFile(output, targets.faces, "Error Opening File to write Faces\n", console) ||
      !writeFile(output, lists.faces, writeFace, "Error Writing Faces\n", console)) {
    return false;
  }
  if (!targets.mapping.given()) {
    return true;
  }
  return openFile(output, targets.mapping, "Error Opening File to write Mapping Coordinates\n", console) &&
         writeFile(output, lists.mapping, writeMapCoord, "Error Writing Mapping Coordinates\n", console);
}

}  // namespace polymill
