#include "output/mesh_writer.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "output/big_endian.h"
#include "platform/memory.h"

namespace polymill {

namespace {

// Bytes a record in each file.
constexpr std::size_t kVertexRecord = 12;
constexpr std::size_t kFaceRecord = 6;
constexpr std::size_t kMappingRecord = 8;

using Failure = std::optional<std::string_view>;

Failure report(ByteWriter& console, std::string_view message) {
  console.text(message);
  return message;
}

Failure openFile(OutputFile& output, const OutputTarget& target, std::string_view cannotOpen, ByteWriter& console) {
  return output.open(target) ? std::nullopt : report(console, cannotOpen);
}

// Stores a run of records straight into the output buffer, as many as it
// holds. A call of its own for each run, as the walk's readers are for each
// list, so that a tiered WebAssembly engine optimizes it at the next one.
template <std::size_t Size, auto store, typename Item>
[[gnu::noinline]] std::span<const Item> storeRun(OutputFile& output, std::span<const Item> items) {
  const std::size_t run = std::min(items.size(), ByteWriter::kCapacity / Size);
  char* out = output.reserve(run * Size);
  for (const Item& item : items.first(run)) {
    out = store(out, item);
  }
  output.commit(out);
  return items.subspan(run);
}

// Writes every record and closes the file, so that a full disk shows here.
template <std::size_t Size, auto store, typename List>
Failure writeFile(OutputFile& output, List& records, std::string_view cannotWrite, ByteWriter& console) {
  output.expect(std::uint64_t{records.size()} * Size);
  const bool allRead = records.drainSpans([&](auto items) {
    while (!items.empty()) {
      items = storeRun<Size, store>(output, items);
    }
  });
  return output.close() && allRead ? std::nullopt : report(console, cannotWrite);
}

char* storeVertex(char* out, const Vertex& vertex) {
  out = storeBigEndian32(out, vertex.x.bits);
  out = storeBigEndian32(out, vertex.y.bits);
  return storeBigEndian32(out, vertex.z.bits);
}

char* storeFace(char* out, const Face& face) {
  out = storeBigEndian16(out, face.a);
  out = storeBigEndian16(out, face.b);
  return storeBigEndian16(out, face.c);
}

char* storeMapCoord(char* out, const MapCoord& coord) {
  out = storeBigEndian32(out, coord.s.bits);
  return storeBigEndian32(out, coord.t.bits);
}

}  // namespace

FileSizes fileSizesOf(const MeshLists& lists) {
  return {std::uint64_t{lists.vertices.size()} * kVertexRecord, std::uint64_t{lists.faces.size()} * kFaceRecord,
          std::uint64_t{lists.mapping.size()} * kMappingRecord};
}

bool claimFilesInMemory(const MeshLists& lists, const OutputTargets& targets) {
  const FileSizes sizes = fileSizesOf(lists);
  const std::pair<const OutputTarget&, std::uint64_t> files[] = {
      {targets.vertices, sizes.vertices},
      {targets.faces, sizes.faces},
      {targets.mapping, sizes.mapping},
  };
  std::uint64_t inMemory = 0;
  for (const auto& [target, bytes] : files) {
    inMemory += target.bytes != nullptr ? bytes : 0;
  }
  return inMemory == 0 || platform::claim(inMemory);
}

Failure writeOutputs(MeshLists& lists, OutputFile& output, const OutputTargets& targets, ByteWriter& console) {
  if (!output.isOpen()) {
    return report(console, "Error Opening File to write Vertices\n");
  }
  if (Failure failure =
          writeFile<kVertexRecord, storeVertex>(output, lists.vertices, "Error Writing Vertices\n", console)) {
    return failure;
  }
  if (Failure failure = openFile(output, targets.faces, "Error Opening File to write Faces\n", console)) {
    return failure;
  }
  if (Failure failure = writeFile<kFaceRecord, storeFace>(output, lists.faces, "Error Writing Faces\n", console)) {
    return failure;
  }
  if (!targets.mapping.given()) {
    return std::nullopt;
  }
  if (Failure failure =
          openFile(output, targets.mapping, "Error Opening File to write Mapping Coordinates\n", console)) {
    return failure;
  }
  return writeFile<kMappingRecord, storeMapCoord>(output, lists.mapping, "Error Writing Mapping Coordinates\n",
                                                  console);
}

}  // namespace polymill
