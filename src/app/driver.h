#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

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

}  // namespace polymill
