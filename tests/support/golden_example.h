#pragma once

#include <string>

#include "chunk_builder.h"

namespace polymill::test {

// What converting the textured scene (the shipped example) must give: the
// whole console output with its line ends as "\n", and the three files. The
// bytes were computed apart from this program (IEEE-754 singles, big-endian),
// so the same check on a little-endian and a big-endian host proves both give
// them.
extern const std::string kExampleTrace;
extern const Bytes kExampleVertexFile;
extern const Bytes kExampleFaceFile;
extern const Bytes kExampleMappingFile;

}  // namespace polymill::test
