// Writes the textured example scene of the README, or what converting it must
// give, for the test that runs the real program:
//   make_example SCENE.3ds
//   make_example --expected DIR     (DIR/trace, DIR/vertices, DIR/faces, DIR/mapping)

#include <cstdio>
#include <string>

#include "golden_example.h"
#include "scenes.h"
#include "test_support.h"

using namespace polymill::test;

int main(int argc, char** argv) {
  if (argc == 2) {
    writeFile(argv[1], texturedScene());
    return 0;
  }
  if (argc == 3 && std::string(argv[1]) == "--expected") {
    const std::string folder = std::string(argv[2]) + "/";
    writeFile(folder + "trace", Bytes(kExampleTrace.begin(), kExampleTrace.end()));
    writeFile(folder + "vertices", kExampleVertexFile);
    writeFile(folder + "faces", kExampleFaceFile);
    writeFile(folder + "mapping", kExampleMappingFile);
    return 0;
  }
  std::puts("usage: make_example SCENE.3ds | make_example --expected DIR");
  return 1;
}
