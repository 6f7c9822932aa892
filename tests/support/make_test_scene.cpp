// Writes the scenes with which the tests of the real program (and of the page)
// try it:
//   make_test_scene example FILE                 the textured example: two objects
//   make_test_scene pyramids COUNT FILE          COUNT objects without mapping lists
//   make_test_scene sheets COUNT FILE            COUNT objects of 65535 of each record: 1.9 MB each
//   make_test_scene faces-beyond FILE            faces past their object's vertices
//   make_test_scene hostile FILE                 counts and lengths that lie
//   make_test_scene not-a-scene FILE             text, not a 3DS file
//   make_test_scene vertex-lists COUNT FILE      COUNT overlapping vertex lists of 65535
//   make_test_scene mapping-lists COUNT FILE     the same with mapping lists: a long trace
//   make_test_scene empty-chunks COUNT FILE      COUNT empty chunks: a long chain
//   make_test_scene name TEXT FILE               one object named TEXT
//   make_test_scene column FILE                  a box 1 x 1 x 10, standing along +Z
//   make_test_scene wall FILE                    a box 10 x 1 x 1, lying along +X
//   make_test_scene with-lights FILE             a box, a light and a camera

#include <cstdio>
#include <cstdlib>
#include <string>

#include "chunk/chunk_kinds.h"
#include "scenes.h"
#include "test_support.h"

using namespace polymill;
using namespace polymill::test;

namespace {

bool make(const std::string& kind, const char* value, Bytes& scene) {
  const auto count = static_cast<std::uint32_t>(std::strtoul(value, nullptr, 10));
  if (kind == "pyramids") {
    scene = pyramidsWithoutMapping(static_cast<int>(count));
  } else if (kind == "sheets") {
    scene = largeSheets(static_cast<int>(count));
  } else if (kind == "vertex-lists") {
    scene = overlappingLists(MESH_VERTEX_LIST, count);
  } else if (kind == "mapping-lists") {
    scene = overlappingLists(MESH_MAPPING_LIST, count);
  } else if (kind == "empty-chunks") {
    scene = emptyChunks(count);
  } else if (kind == "name") {
    scene = objectNamed(value);
  } else {
    return false;
  }
  return true;
}

bool make(const std::string& kind, Bytes& scene) {
  const std::string text = "This is not a 3DS file.\n";
  if (kind == "example") {
    scene = texturedScene();
  } else if (kind == "faces-beyond") {
    scene = facesBeyondTheirObject();
  } else if (kind == "hostile") {
    scene = hostileScene();
  } else if (kind == "column") {
    scene = boxScene(1, 1, 10);
  } else if (kind == "wall") {
    scene = boxScene(10, 1, 1);
  } else if (kind == "with-lights") {
    scene = boxWithLightAndCamera();
  } else if (kind == "not-a-scene") {
    scene = Bytes(text.begin(), text.end());
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Bytes scene;
  if ((argc == 3 && make(argv[1], scene)) || (argc == 4 && make(argv[1], argv[2], scene))) {
    writeFile(argv[argc - 1], scene);
    return 0;
  }
  std::puts("usage: make_test_scene KIND [COUNT|TEXT] FILE (kinds: see the source)");
  return 1;
}
