#pragma once

#include "chunk/chunk.h"
#include "chunk/input_file.h"
#include "mesh/mesh_types.h"
#include "output/byte_writer.h"

namespace polymill {

// Visits the chunks from the root on, entering the containers, decoding every
// vertex, face and mapping list into `lists` and printing the trace to
// `console`. It never fails: whatever the file holds, it ends, and returns the
// last chunk it visited, the end of the chain for releaseChain.
Chunk* walkChunks(Chunk& root, InputFile& input, MeshLists& lists, ByteWriter& console);

}  // namespace polymill
