#pragma once

#include <cstdio>
#include <span>
#include <string_view>

namespace polymill {

// Where the usage message sends the user: the documentation installed with the program.
extern const std::string_view kHelpAddress;

// Runs one conversion. `arguments` are the words after the program name: input
// file, vertex file, face file and, optionally, mapping file. Every message and
// the trace go to `console`. Returns the exit status: 0 for a completed run, -1
// for any failure it reports.
int runPolymill(std::span<const char* const> arguments, std::FILE* console);

}  // namespace polymill
