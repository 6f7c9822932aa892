#pragma once

#include <optional>
#include <string_view>

#include "mesh/mesh_types.h"
#include "output/byte_writer.h"
#include "output/output_file.h"

namespace polymill {

// The output files of a run, as named on the command line or kept in memory;
// `mapping` is not given when no mapping file is to be written.
struct OutputTargets {
  OutputTarget vertices;
  OutputTarget faces;
  OutputTarget mapping;
};

// Writes the lists as headerless big-endian arrays: the vertex file, on which
// `output` was opened at the start of the run (x y z, 4 bytes each), then the
// face file (a b c, 2 bytes each; the flags are not written) and, when named,
// the mapping file (s t, 4 bytes each), each file reopened on the same stream.
// Stops at the first file that cannot be opened or completely written (its
// records read again from a scene cut short since the walk included), says
// which on `console` and gives that message; no later file is touched then.
// Each list is emptied while its file is written, so that its memory serves
// the file's pages instead of adding to them. Nothing when all were written.
std::optional<std::string_view> writeOutputs(MeshLists& lists, OutputFile& output, const OutputTargets& targets,
                                             ByteWriter& console);

// The bytes each file takes for the records in the lists.
struct FileSizes {
  std::uint64_t vertices;
  std::uint64_t faces;
  std::uint64_t mapping;
};
FileSizes fileSizesOf(const MeshLists& lists);

// Claims from the run's memory budget the room of the files that are kept in
// memory, each to be reserved whole before it is filled (which costs less at
// the peak than a file that doubles); false, the budget exhausted, when they
// do not fit.
bool claimFilesInMemory(const MeshLists& lists, const OutputTargets& targets);

}  // namespace polymill
