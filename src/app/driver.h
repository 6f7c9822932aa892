#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "output/mesh_writer.h"
#include "polymill/polymill.h"

namespace polymill {

// The library's two calls (run, convert) are declared in <polymill/polymill.h>.

// The run of the command line from the point the input is open, on a scene
// already in memory, into the named output files, the trace to `console`.
int convertScene(std::span<const std::uint8_t> scene, const OutputTargets& outputs, std::FILE* console);

// As run on the named scene into the named files, the trace to `console`,
// with what a caller that goes on from the files needs: the object index of a
// run that completed, the message that ended one that failed (as printed).
struct FileRun {
  int status = -1;
  std::string_view message;
  std::vector<Object> objects;
};
FileRun convertIntoFiles(const char* scene, const OutputTargets& outputs, std::FILE* console);

// As convert and convertFile, but of the trace only the first `traceLimit`
// bytes are made and kept (in conversion.trace), with the message that ended
// a failed run (as printed): for a loader, which needs the arrays, where a
// scene's trace may be larger than they are and take longer to make.
struct HeadedConversion {
  Conversion conversion;
  std::string_view message;
};
HeadedConversion convertKeepingHead(std::span<const std::uint8_t> scene, std::size_t traceLimit);
HeadedConversion convertFileKeepingHead(const char* fileName, std::size_t traceLimit);

// As convert, on a scene handed over, whose memory goes with the call: what
// the page and the npm package hand the WebAssembly module.
Conversion convertOwned(std::unique_ptr<std::uint8_t[]> scene, std::size_t size);

// As convert, on the scene in the named file: what the page has the module
// read where it can wait for a file's bytes.
Conversion convertFile(const char* fileName);

// The object index of the scene in the named file, from one walk of it as the
// program's, and no file written: status 0 with the objects, or -1 with the
// message that ended the program's run there ("Error reading File\n", ...).
struct SceneIndex {
  int status = -1;
  std::vector<Object> objects;
  std::string_view message;
};
SceneIndex indexFile(const char* fileName);

// What convert tells of a scene before any file is written: its status, its
// trace (the first `traceLimit` bytes kept, and the length of all of it), the
// bytes of each file and the object index. The files' room is claimed as
// convert claims it, but not taken, and only the trace's kept bytes count, so
// a survey may complete where convert's whole trace would not fit in memory.
// At status -1 every file size is 0. For a caller that shows the index first
// and the files later (the page).
struct Survey {
  int status = -1;
  TextHead trace;
  FileSizes files{};
  std::vector<Object> objects;
};
Survey survey(std::span<const std::uint8_t> scene, std::size_t traceLimit);
Survey survey(const char* fileName, std::size_t traceLimit);  // the scene in that file

}  // namespace polymill
