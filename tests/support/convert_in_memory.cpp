// Converts a scene in memory with the library, on several threads at once, as
// a program that embeds it would:
//   convert_in_memory THREADS SCENE PREFIX
// writes, for each call i from 1, PREFIX.i.status and PREFIX.i.trace, and the
// files the call made as PREFIX.i.v, PREFIX.i.f and PREFIX.i.m.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "polymill/polymill.h"
#include "test_support.h"

using namespace polymill;
using namespace polymill::test;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::puts("usage: convert_in_memory THREADS SCENE PREFIX");
    return 2;
  }
  const Bytes scene = readFile(argv[2]);
  std::vector<Conversion> results(std::strtoul(argv[1], nullptr, 10));
  std::vector<std::thread> calls;
  for (Conversion& result : results) {
    calls.emplace_back([&] { result = convert(scene); });
  }
  for (std::thread& call : calls) {
    call.join();
  }
  for (std::size_t i = 0; i < results.size(); ++i) {
    const std::string prefix = std::string(argv[3]) + "." + std::to_string(i + 1) + ".";
    const Conversion& result = results[i];
    const std::string status = std::to_string(result.status);
    writeFile(prefix + "status", Bytes(status.begin(), status.end()));
    writeFile(prefix + "trace", Bytes(result.trace.begin(), result.trace.end()));
    const std::pair<const char*, const std::optional<Bytes>*> files[] = {
        {"v", &result.vertices}, {"f", &result.faces}, {"m", &result.mapping}};
    for (const auto& [suffix, file] : files) {
      if (file->has_value()) {
        writeFile(prefix + suffix, **file);
      }
    }
  }
  return 0;
}
