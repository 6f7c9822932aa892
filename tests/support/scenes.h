#pragma once

#include <string_view>

#include "chunk_builder.h"

namespace polymill::test {

// The 128-byte scene of one object "A" with three vertices, one face and three
// mapping coordinates that the documentation walks through.
Bytes workedExample();

// Two textured objects (a cube and a pyramid) among the chunks a modeller
// writes around them: version, materials, mesh matrices, smoothing groups after
// the faces, keyframer data.
Bytes texturedScene();

// A small file that declares a great deal: `count` list chunks of `kind`, 8
// bytes apart, each declaring 65535 entries read from whatever follows it,
// and after them enough bytes for the last list's entries. 400 vertex lists
// make a file of 790 KB that fills 314 MB of lists.
Bytes overlappingLists(std::uint16_t kind, std::uint32_t count);

// A main chunk holding `count` empty chunks of a kind the walk steps over, so
// that the chain of chunk records grows by one record every 6 bytes.
Bytes emptyChunks(std::uint32_t count);

// A scene of one object whose name holds `name`'s bytes (and its zero byte).
Bytes objectNamed(std::string_view name);

}  // namespace polymill::test
