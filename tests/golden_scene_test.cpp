#include <gtest/gtest.h>

#include <string>

#include "golden_example.h"
#include "scenes.h"
#include "test_support.h"

namespace polymill::test {
namespace {

TEST(GoldenScene, TexturedSceneGivesTheSameBytesOnEveryHost) {
  TempDir folder;
  writeFile(folder.path("scene.3ds"), texturedScene());
  const RunResult run =
      runProgram({folder.path("scene.3ds"), folder.path("v.bin"), folder.path("f.bin"), folder.path("m.bin")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.console, kExampleTrace);
  EXPECT_EQ(readFile(folder.path("v.bin")), kExampleVertexFile);
  EXPECT_EQ(readFile(folder.path("f.bin")), kExampleFaceFile);
  EXPECT_EQ(readFile(folder.path("m.bin")), kExampleMappingFile);
}

// The shipped example is this scene too.
TEST(GoldenScene, ShippedExampleIsTheTexturedScene) {
  EXPECT_EQ(readFile(POLYMILL_EXAMPLE), texturedScene()) << "regenerate it with make_example";
}

}  // namespace
}  // namespace polymill::test
