#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "output/mesh_writer.h"
#include "polymill/polymill.h"

namespace polymill {

// The library's two calls (run, convert) are declared in <polymill/polymill.h>.

// The run of the command line from the point the input is open, on a scene
// already in memory, into the named output files, the trace to `console`.
int convertScene(std::span<const std::uint8_t> scene, const OutputTargets& outputs, std::FILE* console);

}  // namespace polymill
