// Files from anyone: broken exports, truncated downloads, deliberately hostile
// lengths and counts. Each must end with the documented trace and status.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "chunk/chunk_kinds.h"
#include "scenes.h"
#include "test_support.h"

namespace polymill::test {
namespace {

using namespace std::string_literals;

const std::string kMainTrace = "\nMain Chunk found";

// The entries the trace says were declared, summed over every list announced by `words`.
std::size_t declaredEntries(const std::string& trace, const std::string& words) {
  std::size_t sum = 0;
  for (auto at = trace.find(words); at != std::string::npos; at = trace.find(words, at + 1)) {
    sum += std::stoul(trace.substr(at + words.size()));
  }
  return sum;
}

// A container of every kind, and a list of every kind, each with every hostile length.
TEST(HostileInput, EveryLengthOnEveryKindEnds) {
  const std::uint32_t lengths[] = {0, 1, 2, 3, 4, 5, 6, 7, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFF0};
  const std::uint16_t kinds[] = {MAIN,           EDIT3DS,           OBJECT, OBJECT_MESH, MESH_VERTEX_LIST,
                                 MESH_FACE_LIST, MESH_MAPPING_LIST, 0x0002};
  const Bytes tail = chunk(MESH_VERTEX_LIST, {u16(1), vertexEntries({{1, 2, 3}})});
  for (std::uint16_t kind : kinds) {
    for (std::uint32_t length : lengths) {
      const Bytes scene = chunk(MAIN, {chunkWithLength(kind, length, {u16(2), cstr("x")}), tail});
      const WalkResult walk = walkScene(scene);
      // Every navigation moves strictly forward, which is what makes every walk end.
      EXPECT_EQ(std::adjacent_find(walk.starts.begin(), walk.starts.end(), std::greater_equal<>()), walk.starts.end())
          << kind << " " << length;
      EXPECT_LE(walk.starts.size(), scene.size() + 2) << kind << " " << length;
    }
  }
}

TEST(HostileInput, LengthsReachingTwoToThe31EndAtTheFailedRead) {
  for (std::uint32_t length : {0x7FFFFFFFu, 0x80000000u}) {
    const WalkResult walk = walkScene(chunk(MAIN, {chunkWithLength(0x0002, length), chunk(EDIT3DS)}));
    EXPECT_EQ(walk.trace, kMainTrace);
    EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 6 + length}));
  }
}

TEST(HostileInput, LengthsWhoseSumWrapsEndTheWalkThere) {
  // 6 + 0xFFFFFFFA is exactly 2^32, which would wrap back to the start of the file.
  for (std::uint32_t length : {0xFFFFFFFAu, 0xFFFFFFFFu}) {
    const WalkResult walk = walkScene(chunk(MAIN, {chunkWithLength(0x0002, length), chunk(EDIT3DS)}));
    EXPECT_EQ(walk.trace, kMainTrace);
    EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6}));
  }
  // A wrapping length on a container that is entered changes nothing: only the skip counts.
  const WalkResult entered = walkScene(cat({chunkWithLength(MAIN, 0xFFFFFFFF), chunk(EDIT3DS)}));
  EXPECT_EQ(entered.trace, kMainTrace + "\nEdit3DS Chunk found");
}

TEST(HostileInput, FullCountsInTinyChunksAppendEveryDeclaredEntry) {
  // Eight-byte list chunks, each declaring 65535 entries read from whatever follows.
  Bytes content;
  for (int i = 0; i < 4; ++i) {
    const Bytes list = cat({chunkWithLength(MESH_VERTEX_LIST, 8), u16(65535)});
    content.insert(content.end(), list.begin(), list.end());
  }
  const Bytes mapping = cat({chunkWithLength(MESH_MAPPING_LIST, 8), u16(65535)});
  const Bytes faces = cat({chunkWithLength(MESH_FACE_LIST, 8), u16(65535)});
  content = cat({content, mapping, faces});
  const WalkResult walk =
      walkScene(cat({chunkWithLength(MAIN, static_cast<std::uint32_t>(6 + content.size())), content}));
  // The first list reads on past the end of the file: the stream fails and the rest are zeros.
  EXPECT_EQ(walk.lists.vertices.size(), 65535u);
  EXPECT_EQ(walk.lists.faces.size(), 0u);
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 14}));
  EXPECT_EQ(walk.trace, kMainTrace + "\nMesh Vertex List Found\nNumber of Vertices: 65535\n");
}

TEST(HostileInput, FullCountsBeforeTheEndAreAllTraced) {
  // A mapping list declaring 65535 entries in a chunk of 8 bytes, with a payload large enough to hold them.
  Bytes values(65535 * 8, 0);
  const Bytes scene = cat({chunkWithLength(MAIN, 6 + 8), chunkWithLength(MESH_MAPPING_LIST, 8), u16(65535), values});
  const WalkResult walk = walkScene(scene);
  EXPECT_EQ(walk.lists.mapping.size(), 65535u);
  EXPECT_NE(walk.trace.find("\n65534: s= 0 t= 0\n"), std::string::npos);
  // The walk goes on at the chunk's start + 8, inside the values: a zero record there ends it.
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 14}));
}

TEST(HostileInput, NameWithoutAZeroByteRunsToTheEndOfTheFile) {
  Bytes name(5000, 'n');
  const WalkResult walk = walkScene(cat({chunkWithLength(MAIN, 6), chunkWithLength(OBJECT, 12), name}));
  EXPECT_EQ(walk.trace, kMainTrace + "\nObject Found: " + std::string(5000, 'n'));
  EXPECT_EQ(walk.starts, (std::vector<std::uint32_t>{0, 6, 5012}));
}

// Every prefix of a real scene, each in a buffer of exactly that size, converts,
// and every output file holds as many records as the trace says were declared.
TEST(HostileInput, EveryPrefixOfASceneCompletesOrIsRejected) {
  const Bytes scene = texturedScene();
  TempDir folder;
  const std::string v = folder.path("v"), f = folder.path("f"), m = folder.path("m");
  for (std::size_t size = 0; size <= scene.size(); ++size) {
    const RunResult run = convertInMemory(Bytes(scene.begin(), scene.begin() + static_cast<std::ptrdiff_t>(size)),
                                          {v.c_str(), f.c_str(), m.c_str()});
    if (size < 2) {
      EXPECT_EQ(run.status, -1);
      EXPECT_EQ(run.console, "\nFile is not a valid 3ds file. Well one that I'll use");
      continue;
    }
    ASSERT_EQ(run.status, 0) << "prefix of " << size;
    EXPECT_EQ(run.console.substr(run.console.size() - 11), "\n Complete ");
    EXPECT_EQ(readFile(v).size(), 12 * declaredEntries(run.console, "Vertex List Found\nNumber of Vertices: "))
        << "prefix of " << size;
    EXPECT_EQ(readFile(f).size(), 6 * declaredEntries(run.console, "Face List Found\nNumber of Faces: "))
        << "prefix of " << size;
    EXPECT_EQ(readFile(m).size(), 8 * declaredEntries(run.console, "Mapping List Found\nNumber of Vertices: "))
        << "prefix of " << size;
  }
}

// Chunks shorter than their own header overlap the next one; a long run of
// them is walked to the end, one record each.
TEST(HostileInput, LongRunOfOverlappingChunksIsWalkedToTheEnd) {
  Bytes content;
  for (int i = 0; i < 250000; ++i) {
    content.insert(content.end(), {0x00, 0x00, 0x04, 0x00});  // id 0, length 4, again and again
  }
  const WalkResult walk = walkScene(cat({chunkWithLength(MAIN, 3), content}));
  EXPECT_EQ(walk.trace, kMainTrace);
  // The root, a chunk every 4 bytes, and the zero record after the last one, whose
  // header is cut to id 0 and length 4 by the end of the file.
  ASSERT_EQ(walk.starts.size(), 250002u);
  EXPECT_EQ(walk.starts[1], 6u);
  EXPECT_EQ(walk.starts[250000], 1000002u);
  EXPECT_EQ(walk.starts.back(), 1000006u);
}

}  // namespace
}  // namespace polymill::test
