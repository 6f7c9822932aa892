// Loads what `polymill NAME.3ds NAME.vertices NAME.faces NAME.mapping` wrote,
// on a host of either byte order: each value is put together from its bytes.
//   c++ -std=c++20 load_meshes.cpp -o load_meshes && ./load_meshes NAME

#include <array>
#include <bit>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

std::uint32_t bigEndian32(const std::uint8_t* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

// The file's records of N floats (4 bytes each) or N 16-bit indices (2 bytes each).
template <typename Value, std::size_t N>
std::vector<std::array<Value, N>> records(const std::string& path) {
  const std::vector<std::uint8_t> bytes = bytesOf(path);
  std::vector<std::array<Value, N>> all(bytes.size() / (sizeof(Value) * N));
  for (std::size_t i = 0; i < all.size() * N; ++i) {
    const std::uint8_t* at = &bytes[i * sizeof(Value)];
    if constexpr (sizeof(Value) == 4) {
      all[i / N][i % N] = std::bit_cast<float>(bigEndian32(at));
    } else {
      all[i / N][i % N] = static_cast<std::uint16_t>(at[0] << 8 | at[1]);
    }
  }
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: load_meshes NAME\n";
    return 2;
  }
  const std::string name = argv[1];
  const auto vertices = records<float, 3>(name + ".vertices");    // x y z
  const auto faces = records<std::uint16_t, 3>(name + ".faces");  // a b c
  const auto mapping = records<float, 2>(name + ".mapping");      // s t

  std::cout << "vertices " << vertices.size() << "\nfaces " << faces.size() << "\nmapping " << mapping.size() << '\n';
  std::cout << "vertex 8 " << vertices[8][0] << ' ' << vertices[8][1] << ' ' << vertices[8][2] << '\n';
  std::cout << "face 17 " << faces[17][0] << ' ' << faces[17][1] << ' ' << faces[17][2] << '\n';
  std::cout << "coordinate 5 " << mapping[5][0] << ' ' << mapping[5][1] << '\n';
}
