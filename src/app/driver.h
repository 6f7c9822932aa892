#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

#include "output/mesh_writer.h"

namespace polymill {

// Runs one conversion. `arguments` are the words after the program name: input
// file, vertex file, face file and, optionally, mapping file, as UTF-8. Every
// message and the trace go to `console`. Returns the exit status: 0 for a
// completed run, -1 for any failure it reports, running out of memory included.
int runPolymill(std::span<const char* const> arguments, std::FILE* console);

// The same run from the point the input is open, on a scene already in memory.
int convertScene(std::span<const std::uint8_t> scene, const OutputNames& outputs, std::FILE* console);

}  // namespace polymill
