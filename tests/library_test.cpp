#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "chunk/chunk_kinds.h"
#include "platform/memory.h"
#include "polymill/polymill.h"
#include "scenes.h"
#include "test_support.h"

namespace polymill::test {
namespace {

// What the command leaves: its status, its trace, and each file or its absence.
Conversion commandRun(const Bytes& scene) {
  TempDir folder;
  const std::string in = folder.path("scene.3ds");
  const std::vector<std::string> outputs = {folder.path("v"), folder.path("f"), folder.path("m")};
  writeFile(in, scene);
  const RunResult run = runProgram({in, outputs[0], outputs[1], outputs[2]});
  Conversion result{run.status, run.console, {}, {}, {}, {}};
  std::optional<Bytes>* files[] = {&result.vertices, &result.faces, &result.mapping};
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    if (std::filesystem::exists(fsPath(outputs[i]))) {
      *files[i] = readFile(outputs[i]);
    }
  }
  return result;
}

void expectSame(const Conversion& converted, const Conversion& command, const char* scene) {
  EXPECT_EQ(converted.status, command.status) << scene;
  EXPECT_EQ(converted.trace, command.trace) << scene;
  EXPECT_EQ(converted.vertices, command.vertices) << scene;
  EXPECT_EQ(converted.faces, command.faces) << scene;
  EXPECT_EQ(converted.mapping, command.mapping) << scene;
}

struct Scene {
  const char* name;
  Bytes bytes;
};

std::vector<Scene> scenes() {
  const Bytes textured = texturedScene();
  return {
      {"the worked example", workedExample()},
      {"two textured objects", textured},
      {"faces beyond their object", facesBeyondTheirObject()},
      {"hostile counts and lengths", hostileScene()},
      {"overlapping mapping lists", overlappingLists(MESH_MAPPING_LIST, 3)},
      {"a scene cut short", Bytes(textured.begin(), textured.begin() + 300)},
      {"the main chunk alone", {0x4D, 0x4D}},
      {"not a scene", {'t', 'e', 'x', 't'}},
      {"nothing", {}},
  };
}

TEST(Library, ConvertGivesTheCommandsStatusTraceAndFiles) {
  for (const Scene& scene : scenes()) {
    expectSame(convert(scene.bytes), commandRun(scene.bytes), scene.name);
  }
}

// Each call starts afresh: the same scene converts alike before and after others.
TEST(Library, CallsInOneProcessAreIndependent) {
  const Bytes example = texturedScene();
  const Conversion first = convert(example);
  const Conversion other = convert(overlappingLists(MESH_VERTEX_LIST, 2));
  ASSERT_EQ(other.status, 0);
  expectSame(convert(example), first, "the example after another scene");
  EXPECT_EQ(first.vertices->size(), 12u * 13);  // the crate's 8 vertices and the pyramid's 5
}

TEST(Library, ASceneOverTheBudgetEndsWithTheMemoryMessage) {
  const Bytes scene = overlappingLists(MESH_VERTEX_LIST, 400);  // asks for 314 MB of lists
  const platform::MemoryBudget little(std::uint64_t{4} << 20);
  const Conversion converted = convert(scene);
  EXPECT_EQ(converted.status, -1);
  EXPECT_TRUE(converted.trace.ends_with("\nNot enough memory for the mesh lists\n"));
  EXPECT_EQ(converted.vertices, Bytes{});
  EXPECT_EQ(converted.faces, std::nullopt);
  expectSame(converted, commandRun(scene), "over the budget");
}

}  // namespace
}  // namespace polymill::test
