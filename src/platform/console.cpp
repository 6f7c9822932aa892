#include "platform/console.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#ifndef __wasi__
#include <csignal>
#endif
#endif

namespace polymill::platform {

#ifdef _WIN32

bool isTerminal(std::FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

// Windows raises no signal for either: the write fails.
void reportFailedWritesInsteadOfSignals() {}

#else

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

#ifdef __wasi__
// WebAssembly raises no signals: a write that cannot be done fails.
void reportFailedWritesInsteadOfSignals() {}
#else
void reportFailedWritesInsteadOfSignals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}
#endif

#endif

}  // namespace polymill::platform
