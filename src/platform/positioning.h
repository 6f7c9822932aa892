#pragma once

// Moving about in an open file. Regular files can be positioned anywhere;
// pipes, sockets, terminals and other devices deliver their bytes once, in
// order, and must be read that way.

#include <cstdint>
#include <cstdio>

namespace polymill::platform {

// True when the open file can be positioned and read again at any offset: a
// regular file or a block device. False for a pipe, FIFO, socket or character
// device (/dev/stdin on a pipe, the /dev/fd/N of process substitution).
bool canPosition(std::FILE* file);

// Asks the system to hold more of a pipe's bytes at a time (Linux lets a
// pipe grow to 1 MiB unless its administrator says otherwise), so that its
// writer and its reader take turns less often: on a virtual machine each turn
// costs a wake-up of another processor. Where it cannot, nothing changes.
void enlargePipe(std::FILE* file);

// Positions a file with a 64-bit offset on every system; false when it cannot.
bool seekFile(std::FILE* file, std::uint64_t position);

}  // namespace polymill::platform
