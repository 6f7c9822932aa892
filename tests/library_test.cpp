#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/driver.h"
#include "app/objects_json.h"
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

// A survey tells what convert tells before any file is written: its status,
// index, the trace's head and length and the files' sizes; of a scene in a
// file as of one in memory, whose conversion is the same too.
TEST(Library, ASurveyTellsWhatConvertGives) {
  TempDir folder;
  const std::string file = folder.path("scene.3ds");
  for (const Scene& scene : scenes()) {
    const Conversion whole = convert(scene.bytes);
    writeFile(file, scene.bytes);
    expectSame(convertFile(file.c_str()), whole, scene.name);
    EXPECT_EQ(objectsJson(convertFile(file.c_str()).objects), objectsJson(whole.objects)) << scene.name;
    const Survey ofFile = polymill::survey(file.c_str(), 100);
    const Survey survey = polymill::survey(scene.bytes, 100);
    EXPECT_EQ(ofFile.status, survey.status) << scene.name;
    EXPECT_EQ(ofFile.trace.kept, survey.trace.kept) << scene.name;
    EXPECT_EQ(ofFile.trace.size, survey.trace.size) << scene.name;
    EXPECT_EQ(survey.status, whole.status) << scene.name;
    EXPECT_EQ(survey.trace.kept, whole.trace.substr(0, 100)) << scene.name;
    EXPECT_EQ(survey.trace.size, whole.trace.size()) << scene.name;
    EXPECT_EQ(objectsJson(survey.objects), objectsJson(whole.objects)) << scene.name;
    const auto sizeOf = [&](const std::optional<Bytes>& file) { return whole.status == 0 ? file->size() : 0; };
    EXPECT_EQ(survey.files.vertices, sizeOf(whole.vertices)) << scene.name;
    EXPECT_EQ(survey.files.faces, sizeOf(whole.faces)) << scene.name;
    EXPECT_EQ(survey.files.mapping, sizeOf(whole.mapping)) << scene.name;
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

// What a call in memory holds besides the lists (its files, its trace)
// counts against the budget: where the command, whose files and trace are
// not in memory, converts within the budget, the call ends with the message.
TEST(Library, FilesAndTraceInMemoryCountAgainstTheBudget) {
  struct Case {
    const char* name;
    Bytes scene;
  };
  const Case cases[] = {
      {"a vertex file of 2.4 MB, of which 1.6 MB are records beyond the scene's bytes",
       overlappingLists(MESH_VERTEX_LIST, 3)},
      {"a trace of 4 MB", overlappingLists(MESH_MAPPING_LIST, 3)},
  };
  for (const Case& test : cases) {
    const std::string fullTrace = convert(test.scene).trace;
    const platform::MemoryBudget little(std::uint64_t{3} << 20);
    EXPECT_EQ(commandRun(test.scene).status, 0) << test.name;
    const Conversion converted = convert(test.scene);
    EXPECT_EQ(converted.status, -1) << test.name;
    const std::string_view message = "\nNot enough memory for the mesh lists\n";
    ASSERT_TRUE(converted.trace.ends_with(message)) << test.name;
    // The trace as far as it was held, less at most the message's room.
    const std::string_view held(converted.trace.data(), converted.trace.size() - message.size());
    EXPECT_TRUE(fullTrace.starts_with(held)) << test.name;
    EXPECT_EQ(converted.vertices, Bytes{}) << test.name;
    EXPECT_EQ(converted.faces, std::nullopt) << test.name;
    EXPECT_EQ(converted.mapping, std::nullopt) << test.name;
    EXPECT_TRUE(converted.objects.empty()) << test.name;
  }
}

}  // namespace
}  // namespace polymill::test
