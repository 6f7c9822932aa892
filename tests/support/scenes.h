#pragma once

#include "chunk_builder.h"

namespace polymill::test {

// The 128-byte scene of one object "A" with three vertices, one face and three
// mapping coordinates that the documentation walks through.
Bytes workedExample();

// Two textured objects (a cube and a pyramid) among the chunks a modeller
// writes around them: version, materials, mesh matrices, smoothing groups after
// the faces, keyframer data.
Bytes texturedScene();

}  // namespace polymill::test
