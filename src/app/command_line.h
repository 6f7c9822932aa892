#pragma once

// The words of a program's command line, as UTF-8 whatever the system hands out.

#include <cstddef>
#include <span>

#include "platform/file_names.h"

namespace polymill {

#ifdef _WIN32
// The entry is wmain, which takes the arguments as UTF-16.
template <typename Run>
int runWithArguments(int argc, wchar_t** argv, Run run) {
  return run(platform::Utf8Arguments(argc, argv).words());
}
#else
template <typename Run>
int runWithArguments(int argc, char** argv, Run run) {
  return run(std::span<const char* const>(argv, argc > 0 ? static_cast<std::size_t>(argc) : 0));
}
#endif

}  // namespace polymill
