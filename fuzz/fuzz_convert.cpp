// libFuzzer target: the whole conversion, walk, trace and output phase, on the
// fuzzer's bytes, through the same entry function the program runs.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/driver.h"

namespace {

// One scratch folder per fuzzing process, in memory where the system has a
// tmpfs for it; each input overwrites the same files.
struct Scratch {
  Scratch() {
    std::error_code error;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
    folder = base / ("polymill-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    input = (folder / "in.3ds").string();
    vertices = (folder / "v.bin").string();
    faces = (folder / "f.bin").string();
    mapping = (folder / "m.bin").string();
    console = std::fopen("/dev/null", "w");
  }
  ~Scratch() {
    std::fclose(console);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::filesystem::path folder;
  std::string input, vertices, faces, mapping;
  std::FILE* console;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  std::FILE* scene = std::fopen(scratch.input.c_str(), "wb");
  if (scene == nullptr) {
    return 0;
  }
  std::fwrite(data, 1, size, scene);
  std::fclose(scene);
  const char* arguments[] = {scratch.input.c_str(), scratch.vertices.c_str(), scratch.faces.c_str(),
                             scratch.mapping.c_str()};
  polymill::runPolymill(arguments, scratch.console);
  return 0;
}
