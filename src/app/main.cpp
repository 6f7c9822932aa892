#include <cstdio>
#include <span>

#include "platform/console.h"
#include "platform/file_names.h"
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
int wmain(int argc, wchar_t** argv) { return run(polymill::platform::Utf8Arguments(argc, argv).words()); }
#else
int main(int argc, char** argv) {
  return run(std::span<const char* const>(argv, argc > 0 ? static_cast<std::size_t>(argc) : 0));
}
#endif
