#pragma once

// polymill: the triangle meshes of a 3DS scene as flat, headerless,
// big-endian arrays, with the trace of what was found. C++20.
//
// Both calls are safe for untrusted input: any scene, however malformed or
// hostile, gives a status and a trace, never a crash, a hang or an exception.
// Memory is bounded by what the process can really use (its limits, its
// control group, the system's available memory): a scene that declares more
// ends with the message "Not enough memory for the mesh lists" and status -1.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#if defined(__GNUC__) && !defined(_WIN32)
#define POLYMILL_API __attribute__((visibility("default")))
#else
#define POLYMILL_API
#endif

namespace polymill {

struct Conversion {
  int status;         // 0, or -1 as the program's entry function returns it
  std::string trace;  // what the program prints, with "\n" line ends
  std::optional<std::vector<std::uint8_t>> vertices, faces, mapping;
};

// Converts a scene in memory as `polymill scene.3ds v f m` converts the file:
// the same status and trace, and each output file's bytes exactly as that run
// leaves them (x y z, then a b c, then s t, big-endian), or nullopt for a file
// it would not have created (after a scene that is not one, only `vertices`
// exists, empty). Touches no file and no console; calls are independent.
POLYMILL_API Conversion convert(std::span<const std::uint8_t> scene);

// Runs the command line as the program does, `arguments` being the words after
// the program's name: infile.3ds outVertexFile outFaceFile [outMappingFile].
// The trace and every message go to `console`; returns the exit status, 0 or -1.
POLYMILL_API int run(std::span<const char* const> arguments, std::FILE* console);

}  // namespace polymill
