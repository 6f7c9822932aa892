#include <cstdio>
#include <span>

#include "app/command_line.h"
#include "platform/console.h"
#include "polymill/polymill.h"

namespace {

int run(std::span<const char* const> arguments) {
  // The console writer gathers the trace into large blocks of its own.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  // A console that goes away (`| head`) ends the trace, not the conversion.
  polymill::platform::reportFailedWritesInsteadOfSignals();
  return polymill::run(arguments.empty() ? arguments : arguments.subspan(1), stdout);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return polymill::runWithArguments(argc, argv, run); }
#else
int main(int argc, char** argv) { return polymill::runWithArguments(argc, argv, run); }
#endif
