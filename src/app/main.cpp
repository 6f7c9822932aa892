#include <cstdio>
#include <new>
#include <span>

#include "app/driver.h"

int main(int argc, char** argv) {
  // The console writer gathers the trace into large blocks of its own.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::span<const char* const> arguments(argv, argc > 0 ? static_cast<std::size_t>(argc) : 0);
  try {
    return polymill::runPolymill(arguments.empty() ? arguments : arguments.subspan(1), stdout);
  } catch (const std::bad_alloc&) {
    // A scene whose counts declare more entries than memory holds.
    std::fputs("\nNot enough memory for the mesh lists\n", stdout);
    return -1;
  }
}
