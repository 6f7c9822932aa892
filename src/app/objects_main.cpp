// polymill-objects infile.3ds: the scene's object index as JSON on standard
// output, for scripts and builds that load the files polymill writes.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/objects_json.h"
#include "platform/console.h"
#include "platform/file_names.h"
#include "polymill/polymill.h"

namespace {

constexpr int kFailure = 1;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The whole input, whatever it is (a file, a pipe, a device), or nullopt when it cannot be read.
std::optional<std::vector<std::uint8_t>> readWhole(const char* name) {
  const std::unique_ptr<std::FILE, FileCloser> file(
      polymill::platform::openFile(name, polymill::platform::FileMode::read));
  if (!file) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t block[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(block, 1, sizeof block, file.get())) > 0) {
    bytes.insert(bytes.end(), block, block + got);
  }
  if (std::ferror(file.get())) {
    return std::nullopt;
  }
  return bytes;
}

int run(std::span<const char* const> arguments) {
  // Standard output that goes away (`| head`) fails the write, and the status says so.
  polymill::platform::reportFailedWritesInsteadOfSignals();
  if (arguments.size() != 2) {
    std::fputs("usage: polymill-objects infile.3ds\n", stderr);
    return kFailure;
  }
  const std::optional<std::vector<std::uint8_t>> scene = readWhole(arguments[1]);
  if (!scene) {
    std::fputs("Error reading File\n", stderr);
    return kFailure;
  }
  const polymill::Conversion conversion = polymill::convert(*scene);
  if (conversion.status != 0) {
    // What the program printed, ending in its message.
    std::fwrite(conversion.trace.data(), 1, conversion.trace.size(), stderr);
    if (!conversion.trace.empty() && conversion.trace.back() != '\n') {
      std::fputc('\n', stderr);
    }
    return kFailure;
  }
  const std::string json = polymill::objectsJson(conversion.objects);
  const bool written = std::fwrite(json.data(), 1, json.size(), stdout) == json.size();
  return written && std::fflush(stdout) == 0 ? 0 : kFailure;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return polymill::runWithArguments(argc, argv, run); }
#else
int main(int argc, char** argv) { return polymill::runWithArguments(argc, argv, run); }
#endif
