// Compares the trace's float text with the standard library's six-digit general
// form for every one of the 2^32 bit patterns. Too slow for every test run; run
// it by hand after touching the formatter: build/default/tests/float_text_exhaustive

#include <atomic>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

#include "chunk/float_text.h"

namespace {

// The standard library's text with the exponent widened to three digits.
std::string_view reference(float value, char* out) {
  char* end = std::to_chars(out, out + 40, value, std::chars_format::general, 6).ptr;
  char* e = static_cast<char*>(std::memchr(out, 'e', static_cast<std::size_t>(end - out)));
  if (e != nullptr && end - e == 4) {
    std::memmove(e + 3, e + 2, 2);
    e[2] = '0';
    ++end;
  }
  return {out, static_cast<std::size_t>(end - out)};
}

bool isNan(std::uint32_t bits) { return (bits & 0x7F800000u) == 0x7F800000u && (bits & 0x7FFFFFu) != 0; }

}  // namespace

int main() {
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  std::atomic<std::uint64_t> mismatches{0};
  std::vector<std::thread> threads;
  for (unsigned w = 0; w < workers; ++w) {
    threads.emplace_back([w, workers, &mismatches] {
      char expected[48];
      char actual[polymill::kFloatTextRoom];
      for (std::uint64_t bits = w; bits <= UINT32_MAX; bits += workers) {
        const auto pattern = static_cast<std::uint32_t>(bits);
        const auto value = std::bit_cast<float>(pattern);
        const std::string_view got(actual,
                                   static_cast<std::size_t>(polymill::writeFloatText(pattern, actual) - actual));
        const std::string_view want =
            isNan(pattern) ? ((pattern >> 31) != 0 ? "-nan" : "nan") : reference(value, expected);
        if (got != want && mismatches.fetch_add(1) < 20) {
          std::printf("0x%08x: got %.*s, expected %.*s\n", pattern, static_cast<int>(got.size()), got.data(),
                      static_cast<int>(want.size()), want.data());
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  std::printf("%llu mismatches in 4294967296 patterns\n", static_cast<unsigned long long>(mismatches.load()));
  return mismatches.load() == 0 ? 0 : 1;
}
