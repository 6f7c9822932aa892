#pragma once

// The console the trace goes to: whether a person watches it, and what
// happens when it goes away.

#include <cstdio>

namespace polymill::platform {

// True when the stream is an interactive terminal (a console on Windows).
bool isTerminal(std::FILE* stream);

// Makes writes to a closed pipe or past the file-size limit fail like any
// other write, instead of ending the process by a signal.
void reportFailedWritesInsteadOfSignals();

}  // namespace polymill::platform
