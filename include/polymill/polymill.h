#pragma once

// polymill: the triangle meshes of a 3DS scene as flat, headerless,
// big-endian arrays, with the trace of what was found. C++20.
//
// Both calls are safe for untrusted input: any scene, however malformed or
// hostile, gives a status and a trace, never a crash, a hang or an exception.
// Memory is bounded by what the process can really use (its limits, its
// control group, the system's available memory): a scene that declares more
// ends with the message "Not enough memory for the mesh lists" and status -1.
// For `convert` that bound takes in what the call hands out (the files, the
// trace, the index), and calls on several threads at once share it: a call
// that finds no room ends with the message while the others go on.

#include <array>
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

// The smallest and largest x, y and z of an object's vertices; NaNs do not
// count, so an axis whose values are all NaN has min +infinity and max -infinity.
struct Bounds {
  std::array<float, 3> min, max;
};

// One object of the scene, in file order, and where its records lie in each
// file. All objects share each file, and an object's face indices count from
// its own first vertex: a loader adds firstVertex to them to index the whole
// vertex file. The counts of all objects add up to each file's records.
struct Object {
  std::optional<std::string> name;  // bytes as read, no zero byte; nullopt for lists before any object
  bool mesh;                        // a mesh chunk was met inside it (lights and cameras have none)
  std::uint64_t firstVertex, vertices, firstFace, faces, firstMapping, mapping;
  std::optional<Bounds> bounds;  // nullopt when it has no vertices
};

struct Conversion {
  int status;         // 0, or -1 as the program's entry function returns it
  std::string trace;  // what the program prints, with "\n" line ends
  std::optional<std::vector<std::uint8_t>> vertices, faces, mapping;
  std::vector<Object> objects;  // the object index; empty when status is -1
};

// Converts a scene in memory as `polymill scene.3ds v f m` converts the file:
// the same status and trace, and each output file's bytes exactly as that run
// leaves them (x y z, then a b c, then s t, big-endian), or nullopt for a file
// it would not have created (after a scene that is not one, only `vertices`
// exists, empty), with the index of the scene's objects in those files.
// Touches no file and no console; calls share nothing but the memory budget.
POLYMILL_API Conversion convert(std::span<const std::uint8_t> scene);

// Runs the command line as the program does, `arguments` being the words after
// the program's name: infile.3ds outVertexFile outFaceFile [outMappingFile].
// The trace and every message go to `console`; returns the exit status, 0 or -1.
POLYMILL_API int run(std::span<const char* const> arguments, std::FILE* console);

}  // namespace polymill
