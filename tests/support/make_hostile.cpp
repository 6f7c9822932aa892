// Writes the scenes with which the tests of the real program try its limits:
//   make_hostile vertex-lists COUNT FILE    COUNT overlapping vertex lists of 65535
//   make_hostile mapping-lists COUNT FILE   the same with mapping lists: a long trace
//   make_hostile empty-chunks COUNT FILE    COUNT empty chunks: a long chain
//   make_hostile name TEXT FILE             one object named TEXT

#include <cstdio>
#include <cstdlib>
#include <string>

#include "chunk/chunk_kinds.h"
#include "scenes.h"
#include "test_support.h"

using namespace polymill;
using namespace polymill::test;

int main(int argc, char** argv) {
  if (argc != 4) {
    std::puts("usage: make_hostile vertex-lists|mapping-lists|empty-chunks COUNT FILE | make_hostile name TEXT FILE");
    return 1;
  }
  const std::string kind = argv[1];
  const auto count = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
  if (kind == "vertex-lists") {
    writeFile(argv[3], overlappingLists(MESH_VERTEX_LIST, count));
  } else if (kind == "mapping-lists") {
    writeFile(argv[3], overlappingLists(MESH_MAPPING_LIST, count));
  } else if (kind == "empty-chunks") {
    writeFile(argv[3], emptyChunks(count));
  } else if (kind == "name") {
    writeFile(argv[3], objectNamed(argv[2]));
  } else {
    std::printf("unknown scene kind %s\n", argv[1]);
    return 1;
  }
  return 0;
}
