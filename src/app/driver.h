#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <vector>

#include "output/mesh_writer.h"
#include "polymill/polymill.h"

namespace polymill {

// The library's two calls (run, convert) are declared in <polymill/polymill.h>.

// The run of the command line from the point the input is open, on a scene
// already in memory, into the named output files, the trace to `console`.
int convertScene(std::span<const std::uint8_t> scene, const OutputTargets& outputs, std::FILE* console);

// As convert, on a scene handed over, whose memory goes with the call: what
// the page and the npm package hand the WebAssembly module.
Conversion convertOwned(std::unique_ptr<std::uint8_t[]> scene, std::size_t size);

// What convert tells of a scene before any file is written: its status, its
// trace (the first `limit` bytes kept, and the length of all of it), the bytes
// of each file and the object index, as convert gives them. The files' room
// is claimed as convert claims it, but not taken; at status -1 every file
// size is 0. For a caller that shows the index first and the files later.
struct Survey {
  int status = -1;
  TextHead trace;
  FileSizes files{};
  std::vector<Object> objects;
};
Survey survey(std::span<const std::uint8_t> scene, std::size_t traceLimit);

// The status and the files that convert gives, without its trace or index:
// what such a caller asks for next.
Conversion convertFiles(std::span<const std::uint8_t> scene);

}  // namespace polymill
