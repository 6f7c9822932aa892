// polymill-objects infile.3ds: the scene's object index as JSON on standard
// output, for scripts and builds that load the files polymill writes.

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/driver.h"
#include "app/objects_json.h"
#include "platform/console.h"

namespace {

constexpr int kFailure = 1;

int run(std::span<const char* const> arguments) {
  // Standard output that goes away (`| head`) fails the write, and the status says so.
  polymill::platform::reportFailedWritesInsteadOfSignals();
  if (arguments.size() != 2) {
    std::fputs("usage: polymill-objects infile.3ds\n", stderr);
    return kFailure;
  }
  // The scene is walked as polymill walks it, never held whole.
  const polymill::SceneIndex index = polymill::indexFile(arguments[1]);
  if (index.status != 0) {
    // The message that ended polymill's run, as it printed it, ending its line.
    const std::string_view message = index.message;
    std::fwrite(message.data(), 1, message.size(), stderr);
    if (message.back() != '\n') {
      std::fputc('\n', stderr);
    }
    return kFailure;
  }
  const std::string json = polymill::objectsJson(index.objects);
  const bool written = std::fwrite(json.data(), 1, json.size(), stdout) == json.size();
  return written && std::fflush(stdout) == 0 ? 0 : kFailure;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return polymill::runWithArguments(argc, argv, run); }
#else
int main(int argc, char** argv) { return polymill::runWithArguments(argc, argv, run); }
#endif
