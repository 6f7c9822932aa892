// Converts a scene file in memory with the polymill library and writes what it
// gives as the command would: convert_scene scene.3ds vertices faces [mapping].
// Also builds with pkg-config:
//   c++ -std=c++20 convert_scene.cpp $(pkg-config --cflags --libs polymill)

#include <polymill/polymill.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace {

void save(const std::optional<std::vector<std::uint8_t>>& file, const char* name) {
  if (file && name != nullptr) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(file->data()), static_cast<std::streamsize>(file->size()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: convert_scene scene.3ds vertices faces [mapping]\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> scene(std::istreambuf_iterator<char>(in), {});

  const polymill::Conversion result = polymill::convert(scene);
  std::fwrite(result.trace.data(), 1, result.trace.size(), stdout);
  save(result.vertices, argv[2]);
  save(result.faces, argv[3]);
  save(result.mapping, argc > 4 ? argv[4] : nullptr);
  return result.status;
}
