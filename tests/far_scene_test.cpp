// Scenes that reach past 2 GiB: every length in the format is unsigned 32-bit,
// so a scene addresses up to 4 GiB, on every host. The files are sparse: only
// their first and last bytes take room on disk.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "app/driver.h"
#include "chunk/chunk_kinds.h"
#include "test_support.h"

namespace polymill::test {
namespace {

constexpr std::uint16_t kStepOver = 0x0002;

Bytes triangleObject(const std::string& name, float x) {
  return chunk(
      OBJECT,
      {cstr(name),
       chunk(OBJECT_MESH, {
                              chunk(MESH_VERTEX_LIST, {u16(3), vertexEntries({{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}})}),
                              chunk(MESH_FACE_LIST, {u16(1), faceEntries({{0, 1, 2, 7}})}),
                              chunk(MESH_MAPPING_LIST, {u16(3), mappingEntries({{0, 0}, {1, 0}, {0, 1}})}),
                          })});
}

// A scene whose object "Far" starts at `farAt`, a chunk stepped over (its
// payload a hole in the file) between it and the object "Near".
bool writeFarScene(const std::string& path, std::uint64_t farAt) {
  const Bytes near = triangleObject("Near", 0);
  const Bytes far = triangleObject("Far", 5);
  const std::uint64_t headers = 12;  // main and editor
  const std::uint64_t total = farAt + far.size();
  const auto filler = static_cast<std::uint32_t>(farAt - headers - near.size());
  const Bytes head =
      cat({chunkWithLength(MAIN, static_cast<std::uint32_t>(total)),
           chunkWithLength(EDIT3DS, static_cast<std::uint32_t>(total - 6)), near, chunkWithLength(kStepOver, filler)});
  std::ofstream file(fsPath(path), std::ios::binary);
  file.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  file.seekp(static_cast<std::streamoff>(farAt));
  file.write(reinterpret_cast<const char*>(far.data()), static_cast<std::streamsize>(far.size()));
  return file.good();
}

TEST(FarScene, ObjectsPastTwoGibibytesAreConvertedAndIndexed) {
  TempDir folder;
  const std::string scene = folder.path("far.3ds");
  const std::string vertices = folder.path("v");
  const std::string faces = folder.path("f");
  const std::string mapping = folder.path("m");
  for (const std::uint64_t farAt : {(std::uint64_t{1} << 31) + 4096, (std::uint64_t{1} << 32) - 300}) {
    SCOPED_TRACE(farAt);
    if (!writeFarScene(scene, farAt)) {
      GTEST_SKIP() << "this file system holds no sparse file of " << farAt << " bytes";
    }
    const RunResult run = runProgram({scene, vertices, faces, mapping});
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_NE(run.console.find("Object Found: Far"), std::string::npos);
    const Bytes vertexFile = readFile(vertices);
    ASSERT_EQ(vertexFile.size(), 2 * 3 * 12u);
    EXPECT_EQ(Bytes(vertexFile.begin() + 36, vertexFile.begin() + 40), (Bytes{0x40, 0xA0, 0, 0}));  // Far's x: 5
    EXPECT_EQ(readFile(faces), (Bytes{0, 0, 0, 1, 0, 2, 0, 0, 0, 1, 0, 2}));
    EXPECT_EQ(readFile(mapping).size(), 2 * 3 * 8u);

    const SceneIndex index = indexFile(scene.c_str());
    ASSERT_EQ(index.objects.size(), 2u);
    EXPECT_EQ(index.objects[1].name, "Far");
    EXPECT_EQ(index.objects[1].firstVertex, 3u);
    std::filesystem::remove(fsPath(scene));
  }
}

}  // namespace
}  // namespace polymill::test
