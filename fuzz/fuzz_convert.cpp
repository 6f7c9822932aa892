// libFuzzer target: the whole conversion, walk, trace and output phase, on the
// fuzzer's bytes in place, through the library's own entry for a scene in
// memory. The fuzzer's buffer is exactly the input's size, so AddressSanitizer
// sees any read past it.

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "app/driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::FILE* const console = std::fopen("/dev/null", "w");
  polymill::convertScene({data, size}, {"/dev/null", "/dev/null", "/dev/null"}, console);
  return 0;
}
