#include "output/mesh_writer.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>

#include "test_support.h"

namespace polymill::test {
namespace {

namespace fs = std::filesystem;

class MeshWriterTest : public ::testing::Test {
 protected:
  // Runs the output phase with the vertex file opened as the driver opens it.
  bool write(const std::string& vertexFile, const std::string& faceFile, const char* mappingFile) {
    OutputFile output;
    output.open(vertexFile.c_str());
    CapturedStream consoleStream;
    bool written = false;
    {
      ByteWriter console(consoleStream.get());
      written = !writeOutputs(lists_.lists(), output, {vertexFile.c_str(), faceFile.c_str(), mappingFile}, console);
    }
    console_ = consoleStream.text();
    return written;
  }
  bool writeAll() { return write(vertices_, faces_, mapping_.c_str()); }
  void expectFailures(std::initializer_list<struct FailureCase> cases);

  TempDir folder_;
  std::string vertices_ = folder_.path("v.bin");
  std::string faces_ = folder_.path("f.bin");
  std::string mapping_ = folder_.path("m.bin");
  SceneLists lists_;
  std::string console_;
};

TEST_F(MeshWriterTest, RecordsAreBigEndianAndFacesLoseTheirFlags) {
  lists_.add(Vertex({bitsOf(1.0f), bitsOf(-2.0f), bitsOf(0.5f)}));
  lists_.add(Face({1, 2, 3, 7}));
  lists_.add(MapCoord({bitsOf(0.5f), bitsOf(1.0f)}));
  ASSERT_TRUE(writeAll());
  EXPECT_EQ(readFile(vertices_), (Bytes{0x3F, 0x80, 0, 0, 0xC0, 0, 0, 0, 0x3F, 0, 0, 0}));
  EXPECT_EQ(readFile(faces_), (Bytes{0, 1, 0, 2, 0, 3}));
  EXPECT_EQ(readFile(mapping_), (Bytes{0x3F, 0, 0, 0, 0x3F, 0x80, 0, 0}));
  EXPECT_EQ(console_, "");
  // Written lists are released on the way.
  const ListContents left = drain(lists_.lists());
  EXPECT_TRUE(left.vertices.empty() && left.faces.empty() && left.mapping.empty());
}

TEST_F(MeshWriterTest, FloatBitsPassUntouched) {
  // Signalling and quiet NaNs with payloads, negative zero, infinity, a subnormal.
  for (std::uint32_t bits : {0x7FA00001u, 0xFFC12345u, 0x80000000u, 0xFF800000u, 0x00000001u}) {
    const FloatBits value{bits};
    lists_.add(Vertex({value, value, value}));
    lists_.add(MapCoord({value, value}));
  }
  ASSERT_TRUE(writeAll());
  const Bytes vertexBytes = readFile(vertices_);
  const Bytes mappingBytes = readFile(mapping_);
  ASSERT_EQ(vertexBytes.size(), 60u);
  ASSERT_EQ(mappingBytes.size(), 40u);
  const Bytes firstNan = {0x7F, 0xA0, 0x00, 0x01};
  EXPECT_TRUE(std::equal(firstNan.begin(), firstNan.end(), vertexBytes.begin()));
  const Bytes negativeZero = {0x80, 0, 0, 0};
  EXPECT_TRUE(std::equal(negativeZero.begin(), negativeZero.end(), mappingBytes.begin() + 16));
  EXPECT_EQ(Bytes(vertexBytes.begin() + 12, vertexBytes.begin() + 16), (Bytes{0xFF, 0xC1, 0x23, 0x45}));
  EXPECT_EQ(Bytes(vertexBytes.end() - 4, vertexBytes.end()), (Bytes{0, 0, 0, 1}));
}

TEST_F(MeshWriterTest, EmptyListsGiveEmptyFilesStillCreatedOrEmptied) {
  writeFile(faces_, {1, 2, 3});
  ASSERT_TRUE(writeAll());
  EXPECT_TRUE(readFile(vertices_).empty());
  EXPECT_TRUE(readFile(faces_).empty());
  EXPECT_TRUE(readFile(mapping_).empty());
}

TEST_F(MeshWriterTest, NoMappingFileWithoutItsName) {
  lists_.add(MapCoord({bitsOf(0.5f), bitsOf(1.0f)}));
  ASSERT_TRUE(write(vertices_, faces_, nullptr));
  EXPECT_FALSE(fs::exists(mapping_));
}

TEST_F(MeshWriterTest, LargeListsArriveWhole) {
  for (std::uint32_t i = 0; i < 100000; ++i) {
    lists_.add(Face({static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(i >> 8), 0xABCD, 0}));
  }
  ASSERT_TRUE(writeAll());
  const Bytes bytes = readFile(faces_);
  ASSERT_EQ(bytes.size(), 600000u);
  EXPECT_EQ(Bytes(bytes.end() - 6, bytes.end()), (Bytes{0x86, 0x9F, 0x01, 0x86, 0xAB, 0xCD}));
}

// Each file that cannot be opened or written stops the phase with its own
// message; no later file is created.
struct FailureCase {
  std::string vertex, face, mapping, message;
  bool vertexFileLeft, faceFileLeft;
};

void MeshWriterTest::expectFailures(std::initializer_list<FailureCase> cases) {
  lists_.add(Vertex({bitsOf(1), bitsOf(2), bitsOf(3)}));
  lists_.add(Face({0, 0, 0, 0}));
  lists_.add(MapCoord({bitsOf(1), bitsOf(2)}));
  for (const FailureCase& c : cases) {
    for (const std::string& path : {vertices_, faces_, mapping_}) {
      fs::remove(path);
    }
    EXPECT_FALSE(write(c.vertex, c.face, c.mapping.c_str()));
    EXPECT_EQ(console_, c.message);
    EXPECT_EQ(fs::exists(vertices_), c.vertexFileLeft) << c.message;
    EXPECT_EQ(fs::exists(faces_), c.faceFileLeft) << c.message;
    EXPECT_FALSE(fs::exists(mapping_)) << c.message;
  }
}

TEST_F(MeshWriterTest, FilesThatCannotBeOpenedAreReportedAndStopTheOutputs) {
  const std::string folder = folder_.path("");
  expectFailures({
      {folder, faces_, mapping_, "Error Opening File to write Vertices\n", false, false},
      {vertices_, folder, mapping_, "Error Opening File to write Faces\n", true, false},
      {vertices_, faces_, folder, "Error Opening File to write Mapping Coordinates\n", true, true},
  });
}

TEST_F(MeshWriterTest, FilesThatCannotBeWrittenAreReportedAndStopTheOutputs) {
  if (fullDevice() == nullptr) {
    GTEST_SKIP() << kNoFullDevice;
  }
  expectFailures({
      {fullDevice(), faces_, mapping_, "Error Writing Vertices\n", false, false},
      {vertices_, fullDevice(), mapping_, "Error Writing Faces\n", true, false},
      {vertices_, faces_, fullDevice(), "Error Writing Mapping Coordinates\n", true, true},
  });
}

}  // namespace
}  // namespace polymill::test
