#pragma once

#include "chunk/chunk.h"
#include "input/input_stream.h"
#include "mesh/mesh_types.h"
#include "mesh/object_index.h"
#include "output/byte_writer.h"

namespace polymill {

// Visits the chunks from the root on, entering the containers, gathering every
// vertex, face and mapping list into `lists`, printing the trace to `console`
// and, unless `index` is null, recording where each object's records lie.
// Whatever the input holds, it ends, and returns the last chunk it visited,
// the end of the chain. It stops early, right where it is, when the run's
// memory budget holds no more entries or records; the budget says so.
Chunk* walkChunks(Chunk& root, InputStream& input, MeshLists& lists, ByteWriter& console, ObjectIndex* index);

}  // namespace polymill
