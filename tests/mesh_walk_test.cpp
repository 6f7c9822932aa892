#include "chunk/mesh_walk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "chunk/chunk_kinds.h"
#include "scenes.h"
#include "test_support.h"

namespace polymill::test {
namespace {

using namespace std::string_literals;

std::vector<float> xyz(const ListContents& lists) {
  std::vector<float> all;
  for (const Vertex& v : lists.vertices) {
    all.insert(all.end(), {valueOf(v.x), valueOf(v.y), valueOf(v.z)});
  }
  return all;
}

std::vector<std::uint16_t> abcf(const ListContents& lists) {
  std::vector<std::uint16_t> all;
  for (const Face& f : lists.faces) {
    all.insert(all.end(), {f.a, f.b, f.c, f.flags});
  }
  return all;
}

std::vector<float> st(const ListContents& lists) {
  std::vector<float> all;
  for (const MapCoord& c : lists.mapping) {
    all.insert(all.end(), {valueOf(c.s), valueOf(c.t)});
  }
  return all;
}

Bytes scene(std::initializer_list<Bytes> editorContent) { return chunk(MAIN, {chunk(EDIT3DS, editorContent)}); }

const std::string kSceneTrace = "\nMain Chunk found\nEdit3DS Chunk found";

TEST(MeshWalk, WorkedExampleByteForByte) {
  const Bytes bytes = workedExample();
  const Bytes golden = {
      0x4D, 0x4D, 0x80, 0x00, 0x00, 0x00, 0x02, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x3D, 0x3D, 0x70,
      0x00, 0x00, 0x00, 0x00, 0x40, 0x6A, 0x00, 0x00, 0x00, 0x41, 0x00, 0x00, 0x41, 0x62, 0x00, 0x00, 0x00, 0x10, 0x41,
      0x2C, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F,
      0x00, 0x00, 0x00, 0x00, 0x20, 0x41, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x07,
      0x00, 0x40, 0x41, 0x20, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F,
  };
  ASSERT_EQ(bytes, golden);

  const WalkResult walk = walkScene(bytes);
  EXPECT_EQ(walk.trace,
            "\nMain Chunk found\nEdit3DS Chunk found\nObject Found: A\0"
            "\nObject Mesh Found\nMesh Vertex List Found\nNumber of Vertices: 3\n"
            "\nMesh Face List Found\nNumber of Faces: 1\n"
            "\nMesh Vertex Mapping List Found\nNumber of Vertices: 3\n"
            "0: s= 0 t= 0\n1: s= 1 t= 0\n2: s= 0 t= 1\n"s);
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 16, 22, 30, 36, 80, 96, 128}));
  EXPECT_EQ(xyz(walk.lists), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(abcf(walk.lists), (std::vector<std::uint16_t>{0, 1, 2, 7}));
  EXPECT_EQ(st(walk.lists), (std::vector<float>{0, 0, 1, 0, 0, 1}));
}

TEST(MeshWalk, EmptyListsPrintTheirCountAndAppendNothing) {
  const WalkResult walk = walkScene(
      scene({chunk(MESH_VERTEX_LIST, {u16(0)}), chunk(MESH_FACE_LIST, {u16(0)}), chunk(MESH_MAPPING_LIST, {u16(0)})}));
  EXPECT_EQ(walk.trace, kSceneTrace +
                            "\nMesh Vertex List Found\nNumber of Vertices: 0\n"
                            "\nMesh Face List Found\nNumber of Faces: 0\n"
                            "\nMesh Vertex Mapping List Found\nNumber of Vertices: 0\n");
  EXPECT_TRUE(walk.lists.vertices.empty());
  EXPECT_TRUE(walk.lists.faces.empty());
  EXPECT_TRUE(walk.lists.mapping.empty());
}

TEST(MeshWalk, ObjectsFollowOneAnotherWithIndicesAsStored) {
  const auto object = [](const char* name, float offset) {
    return chunk(OBJECT, {cstr(name),
                          chunk(OBJECT_MESH,
                                {
                                    chunk(MESH_VERTEX_LIST, {u16(2), vertexEntries({{offset, 0, 0}, {offset, 1, 0}})}),
                                    chunk(MESH_FACE_LIST, {u16(1), faceEntries({{1, 0, 1, 3}})}),
                                    chunk(MESH_MAPPING_LIST, {u16(1), mappingEntries({{offset, 0.5f}})}),
                                })});
  };
  const WalkResult walk = walkScene(scene({object("P", 10), object("Q", 20)}));
  EXPECT_EQ(xyz(walk.lists), (std::vector<float>{10, 0, 0, 10, 1, 0, 20, 0, 0, 20, 1, 0}));
  EXPECT_EQ(abcf(walk.lists), (std::vector<std::uint16_t>{1, 0, 1, 3, 1, 0, 1, 3}));
  EXPECT_EQ(st(walk.lists), (std::vector<float>{10, 0.5f, 20, 0.5f}));
  EXPECT_NE(walk.trace.find("\nObject Found: P\0"s), std::string::npos);
  EXPECT_NE(walk.trace.find("0: s= 20 t= 0.5\n"), std::string::npos);
}

TEST(MeshWalk, ChunksInsideAFaceListAreNeverVisited) {
  const WalkResult walk = walkScene(scene({
      chunk(MESH_FACE_LIST,
            {u16(1), faceEntries({{0, 1, 2, 0}}), chunk(MESH_VERTEX_LIST, {u16(1), vertexEntries({{9, 9, 9}})})}),
      chunk(MESH_VERTEX_LIST, {u16(1), vertexEntries({{1, 2, 3}})}),
  }));
  EXPECT_EQ(abcf(walk.lists), (std::vector<std::uint16_t>{0, 1, 2, 0}));
  EXPECT_EQ(xyz(walk.lists), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 12, 48, 68}));
}

TEST(MeshWalk, EmptyObjectNameEchoesItsZeroByteAndEntersOneByteIn) {
  const WalkResult walk = walkScene(scene({chunk(OBJECT, {cstr(""), chunk(OBJECT_MESH)})}));
  EXPECT_EQ(walk.trace, kSceneTrace + "\nObject Found: \0\nObject Mesh Found"s);
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 12, 19, 25}));
}

TEST(MeshWalk, ListsAreDecodedWhereverTheyStand) {
  // A vertex list straight inside the main chunk, outside any object.
  const WalkResult walk = walkScene(chunk(MAIN, {chunk(MESH_VERTEX_LIST, {u16(1), vertexEntries({{4, 5, 6}})})}));
  EXPECT_EQ(xyz(walk.lists), (std::vector<float>{4, 5, 6}));
}

TEST(MeshWalk, CountBeyondThePayloadReadsOnAndTheWalkResumesByLength) {
  // Ten declared, four held: the other six come from the mapping chunk after it and then the end of input.
  const Bytes vertices =
      chunk(MESH_VERTEX_LIST, {u16(10), vertexEntries({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}})});
  const Bytes mapping = chunk(MESH_MAPPING_LIST, {u16(1), mappingEntries({{0.5f, 0.25f}})});
  const WalkResult walk = walkScene(chunk(MAIN, {vertices, mapping}));
  ASSERT_EQ(walk.lists.vertices.size(), 10u);
  EXPECT_EQ(valueOf(walk.lists.vertices[3].z), 4.0f);
  // The first 12 bytes of the mapping chunk, read as a vertex: 40 41 10 00 | 00 00 01 00 | 00 00 00 3F.
  EXPECT_EQ(walk.lists.vertices[4].x.bits, 0x00104140u);
  EXPECT_EQ(walk.lists.vertices[4].y.bits, 0x00010000u);
  EXPECT_EQ(valueOf(walk.lists.vertices[4].z), 0.5f);
  // Then 0.25 and the end of the input: zeros from there on.
  EXPECT_EQ(valueOf(walk.lists.vertices[5].x), 0.25f);
  EXPECT_EQ(valueOf(walk.lists.vertices[5].y), 0.0f);
  EXPECT_EQ(valueOf(walk.lists.vertices[9].z), 0.0f);
  // The walk still visited the mapping chunk at the vertex chunk's start + length, on the failed input.
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 62}));
  EXPECT_EQ(walk.trace, "\nMain Chunk found\nMesh Vertex List Found\nNumber of Vertices: 10\n");
}

TEST(MeshWalk, TruncatedValuesKeepTheirArrivedBytes) {
  Bytes bytes = chunk(MAIN, {chunk(MESH_MAPPING_LIST, {u16(2), mappingEntries({{1, 2}})})});
  bytes.push_back(0x80);
  bytes.push_back(0x3F);  // half of a float: 0x00003F80
  const WalkResult walk = walkScene(bytes);
  ASSERT_EQ(walk.lists.mapping.size(), 2u);
  EXPECT_EQ(walk.lists.mapping[1].s.bits, 0x00003F80u);
  EXPECT_EQ(valueOf(walk.lists.mapping[1].t), 0.0f);
  EXPECT_NE(walk.trace.find("\n1: s= 2.27795e-041 t= 0\n"), std::string::npos);
}

TEST(MeshWalk, ListOfLengthZeroReadsOnAndEndsTheWalk) {
  const WalkResult walk =
      walkScene(chunk(MAIN, {chunkWithLength(MESH_FACE_LIST, 0), u16(1), u16(4), u16(5), u16(6), u16(1)}));
  EXPECT_EQ(abcf(walk.lists), (std::vector<std::uint16_t>{4, 5, 6, 1}));
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6}));
}

TEST(MeshWalk, ObjectNameMayRunPastItsChunk) {
  // The object chunk claims 8 bytes, but its name runs on; the child is looked for after the name.
  const Bytes bytes = chunk(MAIN, {chunkWithLength(OBJECT, 8, {cstr("LongName"), chunk(OBJECT_MESH)})});
  const WalkResult walk = walkScene(bytes);
  EXPECT_EQ(walk.trace, "\nMain Chunk found\nObject Found: LongName\0\nObject Mesh Found"s);
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 21, 27}));
}

TEST(MeshWalk, NameCutByTheEndOfInputEndsTheWalkOneStepLater) {
  const Bytes bytes = cat({chunkWithLength(MAIN, 100), chunkWithLength(OBJECT, 50), Bytes{'N', 'o', 'E', 'n', 'd'}});
  const WalkResult walk = walkScene(bytes);
  EXPECT_EQ(walk.trace, "\nMain Chunk found\nObject Found: NoEnd");
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 17}));
}

TEST(MeshWalk, RootOfLengthZeroPrintsItsMessageAlone) {
  const WalkResult walk = walkScene(cat({chunkWithLength(MAIN, 0), chunk(EDIT3DS)}));
  EXPECT_EQ(walk.trace, "\nMain Chunk found");
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0}));
}

TEST(MeshWalk, UnknownChunksAreSteppedOverWithEverythingInThem) {
  const WalkResult walk = walkScene(
      scene({chunk(0xAFFF, {chunk(MESH_VERTEX_LIST, {u16(1), vertexEntries({{7, 7, 7}})})}), chunk(OBJECT_MESH)}));
  EXPECT_TRUE(walk.lists.vertices.empty());
  EXPECT_EQ(walk.trace, kSceneTrace + "\nObject Mesh Found");
}

TEST(MeshWalk, MappingIndexRestartsInEveryChunk) {
  const WalkResult walk = walkScene(scene({
      chunk(MESH_MAPPING_LIST, {u16(4), mappingEntries({{0, 0}, {0, 0}, {0, 0}, {0.25f, 1}})}),
      chunk(MESH_MAPPING_LIST, {u16(1), mappingEntries({{-0.0f, 1e-5f}})}),
  }));
  EXPECT_NE(walk.trace.find("\n3: s= 0.25 t= 1\n"), std::string::npos);
  EXPECT_NE(walk.trace.find("Number of Vertices: 1\n0: s= -0 t= 1e-005\n"), std::string::npos);
}

TEST(MeshWalk, LongRunsOfSmallChunksAreAllVisited) {
  const Bytes small = chunkWithLength(0x0001, 6);
  Bytes content;
  for (int i = 0; i < 20000; ++i) {
    content.insert(content.end(), small.begin(), small.end());
  }
  const WalkResult walk =
      walkScene(cat({chunkWithLength(MAIN, static_cast<std::uint32_t>(6 + content.size())), content}));
  EXPECT_EQ(walk.trace, "\nMain Chunk found");
  ASSERT_EQ(walk.starts.size(), 20002u);  // the root, every chunk, and the zero record at the end
  EXPECT_EQ(walk.starts.back(), 6u + 6u * 20000u);
}

// Escape sequences, C0 and C1 controls (raw and as UTF-8), DEL, among letters
// of several scripts, one of them with C4 80, whose second byte is no control.
const std::string kHostileName =
    "A\x1b]0;owned\x07\x1b[2J\x7f\xc2\x9b"
    "1\x9b"
    "2\xc2\x80 \xc4\x80 \xc3\xa9\xe2\x82\xac\xf0\x9d\x84\x9e\r\n\t";

TEST(MeshWalk, NamesOnATerminalShowControlBytesAsEscapes) {
  const WalkResult walk = walkScene(objectNamed(kHostileName), true);
  EXPECT_EQ(walk.trace, kSceneTrace +
                            "\nObject Found: A\\x1b]0;owned\\x07\\x1b[2J\\x7f\\xc2\\x9b1\\x9b2\\xc2\\x80 \xc4\x80 "
                            "\xc3\xa9\xe2\x82\xac\xf0\x9d\x84\x9e\\x0d\\x0a\\x09\0\nObject Mesh Found"s);
  // A C2 at the end of the input is no control; it is echoed as read.
  const Bytes whole = objectNamed("x");
  Bytes cut(whole.begin(), whole.end() - 6);  // the input ends with the name, its zero byte turned into C2
  cut.back() = 0xC2;
  EXPECT_EQ(walkScene(cut, true).trace, kSceneTrace + "\nObject Found: x\xc2");
}

TEST(MeshWalk, NamesElsewhereAreEchoedByteForByte) {
  const WalkResult walk = walkScene(objectNamed(kHostileName));
  EXPECT_EQ(walk.trace, kSceneTrace + "\nObject Found: " + kHostileName + "\0\nObject Mesh Found"s);
}

// Lists larger than any read buffer: records straddle its refills and must still decode exactly.
// From a file, read in blocks, records straddle the blocks' ends.
TEST(MeshWalk, ListsLargerThanTheReadBufferDecodeExactly) {
  Bytes vertices = u16(60000);
  Bytes faces = u16(60000);
  Bytes mapping = u16(60000);
  const auto append = [](Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); };
  for (std::uint32_t i = 0; i < 60000; ++i) {
    append(vertices, cat({f32(static_cast<float>(i)), f32(-static_cast<float>(i)), f32(0.5f)}));
    append(faces, cat({u16(static_cast<std::uint16_t>(i)), u16(1), u16(2), u16(static_cast<std::uint16_t>(~i))}));
    append(mapping, cat({f32(static_cast<float>(i)), f32(0.25f)}));
  }
  const Bytes scene = chunk(
      MAIN, {chunk(MESH_VERTEX_LIST, {vertices}), chunk(MESH_FACE_LIST, {faces}), chunk(MESH_MAPPING_LIST, {mapping})});
  for (const WalkRoute route : {WalkRoute::memory, WalkRoute::file}) {
    const int via = static_cast<int>(route);
    const WalkResult walk = walkScene(scene, false, route);
    EXPECT_TRUE(walk.lists.allRead) << via;
    ASSERT_EQ(walk.lists.vertices.size(), 60000u);
    ASSERT_EQ(walk.lists.faces.size(), 60000u);
    ASSERT_EQ(walk.lists.mapping.size(), 60000u);
    for (std::uint32_t i = 0; i < 60000; ++i) {
      ASSERT_EQ(valueOf(walk.lists.vertices[i].x), static_cast<float>(i)) << via;
      ASSERT_EQ(valueOf(walk.lists.vertices[i].y), -static_cast<float>(i)) << via;
      ASSERT_EQ(walk.lists.faces[i].a, static_cast<std::uint16_t>(i)) << via;
      ASSERT_EQ(walk.lists.faces[i].flags, static_cast<std::uint16_t>(~i)) << via;
      ASSERT_EQ(valueOf(walk.lists.mapping[i].s), static_cast<float>(i)) << via;
    }
    EXPECT_NE(walk.trace.find("\n59999: s= 59999 t= 0.25"), std::string::npos) << via;
  }
}

// Every field of every record, as bits, so that NaNs compare too.
std::vector<std::uint32_t> bitsOf(const ListContents& lists) {
  std::vector<std::uint32_t> all;
  for (const Vertex& v : lists.vertices) {
    all.insert(all.end(), {v.x.bits, v.y.bits, v.z.bits});
  }
  for (const Face& f : lists.faces) {
    all.insert(all.end(), {f.a, f.b, f.c, f.flags});
  }
  for (const MapCoord& c : lists.mapping) {
    all.insert(all.end(), {c.s.bits, c.t.bits});
  }
  return all;
}

// Lists read back the same records from a file as from memory, however the
// scene ends: the zeros past its end included.
TEST(MeshWalk, ListsReadBackTheSameFromAFileAsFromMemory) {
  const Bytes textured = texturedScene();
  const Bytes nanVertex = cat({u32(0x7F800001), u32(0xFFC00000), f32(-0.0f)});
  const struct {
    const char* name;
    Bytes scene;
  } cases[] = {
      {"a modeller's scene", textured},
      {"cut inside a record", Bytes(textured.begin(), textured.end() - 5)},
      {"cut inside a list's count", chunk(MAIN, {chunkWithLength(MESH_VERTEX_LIST, 9), Bytes{3}})},
      {"a list declaring more than the input holds",
       chunk(MAIN, {chunk(MESH_MAPPING_LIST, {u16(4), mappingEntries({{1, 2}}), Bytes{0xAB, 0xCD, 0xEF}})})},
      {"signaling NaNs", chunk(MAIN, {chunk(MESH_VERTEX_LIST, {u16(1), nanVertex})})},
      {"lists read from the chunks after them", hostileScene()},
      {"overlapping lists", overlappingLists(MESH_FACE_LIST, 3)},
  };
  for (const auto& test : cases) {
    const WalkResult memory = walkScene(test.scene, false, WalkRoute::memory);
    const WalkResult file = walkScene(test.scene, false, WalkRoute::file);
    EXPECT_TRUE(memory.lists.allRead && file.lists.allRead) << test.name;
    EXPECT_EQ(file.trace, memory.trace) << test.name;
    EXPECT_EQ(bitsOf(file.lists), bitsOf(memory.lists)) << test.name;
  }
}

// A file cut short after the walk cannot give back its records: the output
// phase is told, rather than writing zeros in their place.
TEST(MeshWalk, AFileCutShortSinceTheWalkCannotBeReadAgain) {
  const TempDir folder;
  const std::string path = folder.path("scene.3ds");
  writeFile(path, workedExample());
  InputStream input;
  ASSERT_TRUE(input.openFile(path.c_str()));
  const ChunkChain chain(openRoot(input));
  MeshLists lists(input);
  CapturedStream consoleStream;
  ByteWriter console(consoleStream.get(), false);
  walkChunks(*chain.root(), input, lists, console, nullptr);
  std::error_code refused;
  std::filesystem::resize_file(fsPath(path), 60, refused);  // inside the vertex list
  if (refused) {
    // The system keeps others from writing an open input (Windows): the scene stays whole.
    std::size_t vertices = 0;
    EXPECT_TRUE(lists.vertices.drain([&](const Vertex&) { ++vertices; }));
    EXPECT_EQ(vertices, 3u);
    return;
  }
  EXPECT_FALSE(lists.vertices.drain([](const Vertex&) {}));
}

}  // namespace
}  // namespace polymill::test
