#pragma once

// A file of the process's own for bytes too many to hold in memory: it has no
// name anyone else can open, only its owner may read it, and it is gone when
// the process ends, however it ends.

#include <cstdio>

namespace polymill::platform {

// An unnamed temporary file open for reading and writing in binary, in the
// folder TMPDIR names (on Windows the system's folder for temporary files),
// or null where none can be made: no room, a read-only folder, or no file
// system of the process's own (WebAssembly).
std::FILE* openTemporaryFile();

}  // namespace polymill::platform
