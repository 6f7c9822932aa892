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

// `count` pyramids side by side, objects "Pyramid 0", "Pyramid 1", ..., with
// no mapping lists.
Bytes pyramidsWithoutMapping(int count);

// `count` objects "Sheet 0", "Sheet 1", ... of 65535 vertices, faces and
// mapping coordinates each, with a material the walk steps over after each:
// 1.9 MB an object, read in many pieces wherever a scene is read in pieces.
Bytes largeSheets(int count);

// What a loader must be warned of: an object whose face uses an index past
// its own vertices (it lands in the next object's), one whose face points
// past the whole vertex file and whose mapping list is shorter than its
// vertex list, and one without faces.
Bytes facesBeyondTheirObject();

// A file a hostile hand made: a vertex list declaring more than it holds,
// read on from the chunks after it, then a length that wraps past 2^32.
Bytes hostileScene();

// A scene of one object whose name holds `name`'s bytes (and its zero byte).
Bytes objectNamed(std::string_view name);

// One box from the origin to (x, y, z), object "Box": 8 vertices, 12 faces.
Bytes boxScene(float x, float y, float z);

// What real scenes hold besides meshes: a box, then objects without a mesh, a
// light ("Light01") and a camera ("Camera01").
Bytes boxWithLightAndCamera();

}  // namespace polymill::test
