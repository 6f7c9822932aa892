#include "app/driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "app/help_address.h"
#include "chunk/chunk_kinds.h"
#include "scenes.h"
#include "test_support.h"

namespace polymill::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

const std::string kNotValid = "\nFile is not a valid 3ds file. Well one that I'll use";
const Bytes kOldContent = {'o', 'l', 'd'};

class DriverTest : public ::testing::Test {
 protected:
  TempDir folder_;
  std::string in = folder_.path("scene.3ds");
  std::string vertices = folder_.path("v.bin");
  std::string faces = folder_.path("f.bin");
  std::string mapping = folder_.path("m.bin");
};

TEST_F(DriverTest, TooFewArgumentsPrintUsageAndTouchNothing) {
  const std::string usage =
      "Something is up with your Syntax.\n\npolymill infile.3ds outVertexFile outFaceFile outMappingFile\n\n"
      "Try that.\n\nGoto " +
      helpAddress() + " for more help if you\ncan't find what you need in the readme.txt\n";
  writeFile(in, workedExample());
  for (const auto& arguments : std::vector<std::vector<std::string>>{{}, {in}, {in, vertices}}) {
    const RunResult run = runProgram(arguments);
    EXPECT_EQ(run.status, -1);
    EXPECT_EQ(run.console, usage);
  }
  EXPECT_FALSE(fs::exists(vertices));
}

// Whether the system refuses reads of the named file: Linux refuses every read
// of a process's memory at offset 0.
bool readsAreRefused(const char* name) {
  std::FILE* probe = std::fopen(name, "rb");
  char byte = 0;
  const bool refused = probe != nullptr && std::fread(&byte, 1, 1, probe) == 0 && std::ferror(probe) != 0;
  if (probe != nullptr) {
    std::fclose(probe);
  }
  return refused;
}

// A read the system refuses is no end of the scene either: what follows it was
// never seen, so the run must not complete as if the scene ended there.
TEST_F(DriverTest, MissingFolderOrRefusedInputIsAReadErrorAfterTheVertexFileIsEmptied) {
  std::vector<std::string> inputs = {folder_.path("absent.3ds"), folder_.path("")};
  if (const char* refusing = "/proc/self/mem"; readsAreRefused(refusing)) {
    inputs.emplace_back(refusing);  // where the system refuses its reads (not under every emulator)
  }
  for (const std::string& input : inputs) {
    writeFile(vertices, kOldContent);
    writeFile(faces, kOldContent);
    const RunResult run = runProgram({input, vertices, faces});
    EXPECT_EQ(run.status, -1) << input;
    EXPECT_EQ(run.console, "Error reading File\n") << input;
    EXPECT_TRUE(readFile(vertices).empty()) << input;
    EXPECT_EQ(readFile(faces), kOldContent) << input;
  }
}

TEST_F(DriverTest, InputNotStartingWithTheMainChunkIsRejected) {
  for (const Bytes& scene : {Bytes{}, Bytes{0x4D}, chunk(EDIT3DS), Bytes{0x4D, 0x4C, 6, 0, 0, 0}}) {
    writeFile(in, scene);
    writeFile(vertices, kOldContent);
    writeFile(faces, kOldContent);
    const RunResult run = runProgram({in, vertices, faces, mapping});
    EXPECT_EQ(run.status, -1);
    EXPECT_EQ(run.console, kNotValid);
    EXPECT_TRUE(readFile(vertices).empty());
    EXPECT_EQ(readFile(faces), kOldContent);
    EXPECT_FALSE(fs::exists(mapping));
  }
}

TEST_F(DriverTest, TwoByteMainChunkCompletes) {
  writeFile(in, {0x4D, 0x4D});
  const RunResult run = runProgram({in, vertices, faces});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.console, "\nMain Chunk found\n Complete ");
  EXPECT_TRUE(readFile(vertices).empty());
  EXPECT_TRUE(readFile(faces).empty());
}

TEST_F(DriverTest, WorkedExampleTracesInFullAndCompletes) {
  writeFile(in, workedExample());
  const RunResult run = runProgram({in, vertices, faces, mapping, "ignored", "too"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.console,
            "\nMain Chunk found\nEdit3DS Chunk found\nObject Found: A\0"
            "\nObject Mesh Found\nMesh Vertex List Found\nNumber of Vertices: 3\n"
            "\nMesh Face List Found\nNumber of Faces: 1\n"
            "\nMesh Vertex Mapping List Found\nNumber of Vertices: 3\n"
            "0: s= 0 t= 0\n1: s= 1 t= 0\n2: s= 0 t= 1\n"
            "\n Complete "s);
  EXPECT_FALSE(fs::exists("ignored"));
  EXPECT_EQ(readFile(vertices), (Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                       0x3F, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                       0x00, 0x00, 0x00, 0x00, 0x3F, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(readFile(faces), (Bytes{0x00, 0x00, 0x00, 0x01, 0x00, 0x02}));
  EXPECT_EQ(readFile(mapping), (Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x80, 0x00, 0x00,
                                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3F, 0x80, 0x00, 0x00}));
}

TEST_F(DriverTest, ObjectsAreConcatenatedWithTheirOwnIndices) {
  const auto object = [](std::uint16_t vertexCount) {
    Bytes entries;
    for (std::uint16_t i = 0; i < vertexCount; ++i) {
      entries = cat({entries, f32(i), f32(0), f32(0)});
    }
    return chunk(OBJECT,
                 {cstr("O"), chunk(OBJECT_MESH, {chunk(MESH_VERTEX_LIST, {u16(vertexCount), entries}),
                                                 chunk(MESH_FACE_LIST, {u16(1), faceEntries({{0, 1, 3, 0}})})})});
  };
  writeFile(in, chunk(MAIN, {chunk(EDIT3DS, {object(8), object(4)})}));
  const RunResult run = runProgram({in, vertices, faces});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(readFile(vertices).size(), 144u);
  EXPECT_EQ(readFile(faces), (Bytes{0, 0, 0, 1, 0, 3, 0, 0, 0, 1, 0, 3}));
  EXPECT_FALSE(fs::exists(mapping));
}

// Every float pattern a host could be tempted to change on the way: signaling
// NaNs (which an x87 unit quiets), quiet NaNs, both signs, several payloads,
// infinities, negative zero, subnormals.
TEST_F(DriverTest, SpecialFloatsReachTheFilesBitForBit) {
  const std::vector<std::uint32_t> patterns = {0x7F800001, 0x7FA00000, 0xFF800001, 0xFFBFFFFF, 0x7FC00000, 0xFFC00001,
                                               0x7FFFFFFF, 0x7F800000, 0xFF800000, 0x80000000, 0x00000001, 0x807FFFFF};
  Bytes vertexList = u16(4), mappingList = u16(6), expected;
  for (const std::uint32_t bits : patterns) {
    vertexList = cat({vertexList, u32(bits)});
    mappingList = cat({mappingList, u32(bits)});
    expected = cat({expected,
                    {static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
                     static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)}});
  }
  writeFile(in, chunk(MAIN, {chunk(MESH_VERTEX_LIST, {vertexList}), chunk(MESH_MAPPING_LIST, {mappingList})}));
  const RunResult run = runProgram({in, vertices, faces, mapping});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(readFile(vertices), expected);
  EXPECT_EQ(readFile(mapping), expected);
  EXPECT_EQ(run.console,
            "\nMain Chunk found\nMesh Vertex List Found\nNumber of Vertices: 4\n"
            "\nMesh Vertex Mapping List Found\nNumber of Vertices: 6\n"
            "0: s= nan t= nan\n1: s= -nan t= -nan\n2: s= nan t= -nan\n3: s= nan t= inf\n"
            "4: s= -inf t= -0\n5: s= 1.4013e-045 t= -1.17549e-038\n"
            "\n Complete ");
}

TEST_F(DriverTest, OutputFailuresFollowTheTraceAndFailTheRun) {
  writeFile(in, chunk(MAIN, {chunk(MESH_VERTEX_LIST, {u16(1), vertexEntries({{1, 2, 3}})})}));
  const std::string trace = "\nMain Chunk found\nMesh Vertex List Found\nNumber of Vertices: 1\n";
  RunResult run = runProgram({in, folder_.path(""), faces, mapping});
  EXPECT_EQ(run.status, -1);
  EXPECT_EQ(run.console, trace + "Error Opening File to write Vertices\n");
  EXPECT_FALSE(fs::exists(faces));

  run = runProgram({in, vertices, faces, folder_.path("")});
  EXPECT_EQ(run.status, -1);
  EXPECT_EQ(run.console, trace + "Error Opening File to write Mapping Coordinates\n");
  EXPECT_EQ(readFile(vertices), (Bytes{0x3F, 0x80, 0, 0, 0x40, 0, 0, 0, 0x40, 0x40, 0, 0}));
  EXPECT_TRUE(readFile(faces).empty());
}

TEST_F(DriverTest, FullDiskFollowsTheTraceAndFailsTheRun) {
  if (fullDevice() == nullptr) {
    GTEST_SKIP() << kNoFullDevice;
  }
  writeFile(in, chunk(MAIN, {chunk(MESH_VERTEX_LIST, {u16(1), vertexEntries({{1, 2, 3}})})}));
  const RunResult run = runProgram({in, fullDevice(), faces, mapping});
  EXPECT_EQ(run.status, -1);
  EXPECT_EQ(run.console, "\nMain Chunk found\nMesh Vertex List Found\nNumber of Vertices: 1\nError Writing Vertices\n");
  EXPECT_FALSE(fs::exists(faces));
}

TEST_F(DriverTest, SceneWithoutMeshesTracesItsContainers) {
  writeFile(in, chunk(MAIN, {chunk(0x0002, {u32(3)}), chunk(EDIT3DS, {chunk(0xAFFF)})}));
  const RunResult run = runProgram({in, vertices, faces});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.console, "\nMain Chunk found\nEdit3DS Chunk found\n Complete ");
  EXPECT_TRUE(readFile(vertices).empty());
  EXPECT_TRUE(readFile(faces).empty());
  EXPECT_FALSE(fs::exists(mapping));
}

// Names from every script a user may write them in, and one beyond the
// Basic Multilingual Plane.
const std::vector<std::string> kNamesInAnyScript = {"€uro œuf Łódź", "сцена", "場景ファイル", "𝄞 clef"};

TEST_F(DriverTest, NamesInAnyScriptAreUsedExactlyAsGiven) {
  for (const std::string& name : kNamesInAnyScript) {
    TempDir folder;
    const std::string scene = folder.path(name + ".3ds");
    writeFile(scene, workedExample());
    const RunResult run =
        runProgram({scene, folder.path(name + ".v"), folder.path(name + ".f"), folder.path(name + ".m")});
    EXPECT_EQ(run.status, 0) << name;
    // Under exactly these names, not under a name mapped to another character set.
    EXPECT_EQ(readFile(folder.path(name + ".v")).size(), 36u) << name;
    EXPECT_EQ(readFile(folder.path(name + ".f")), (Bytes{0, 0, 0, 1, 0, 2})) << name;
    EXPECT_EQ(readFile(folder.path(name + ".m")).size(), 24u) << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(fsPath(folder.path(""))), fs::directory_iterator()), 4) << name;
  }
}

class SameFileTest : public DriverTest {
 protected:
  // Every run must be refused before any file is touched.
  void expectRefused(const std::vector<std::vector<std::string>>& runs) {
    for (const auto& arguments : runs) {
      const RunResult run = runProgram(arguments);
      EXPECT_EQ(run.status, -1);
      EXPECT_EQ(run.console, "Output file is the same as the input file\n");
      EXPECT_EQ(readFile(in), scene_);
      EXPECT_FALSE(fs::exists(vertices));
      EXPECT_FALSE(fs::exists(faces));
    }
  }
  void SetUp() override { writeFile(in, scene_); }

  const Bytes scene_ = workedExample();
};

TEST_F(SameFileTest, OutputNamingTheInputIsRefusedBeforeAnythingIsTouched) {
  const std::string hardLink = folder_.path("hard.3ds");
  fs::create_hard_link(fsPath(in), fsPath(hardLink));
  expectRefused({
      {in, in, faces},
      {in, vertices, hardLink},
      {in, vertices, faces, hardLink},
      {hardLink, vertices, faces, folder_.path("./scene.3ds")},
  });
}

TEST_F(SameFileTest, InputNamedInAnyScriptIsRefusedAsAnOutput) {
  for (const std::string& name : kNamesInAnyScript) {
    const std::string scene = folder_.path(name + ".3ds");
    const std::string hardLink = folder_.path(name + " hård€.3ds");
    writeFile(scene, scene_);
    fs::create_hard_link(fsPath(scene), fsPath(hardLink));
    in = scene;
    expectRefused({{scene, scene, faces}, {scene, vertices, hardLink}, {hardLink, vertices, faces, scene}});
  }
}

TEST_F(SameFileTest, OutputLinkedSymbolicallyToTheInputIsRefused) {
  const std::string symLink = folder_.path("sym €.3ds");
  std::error_code error;
  fs::create_symlink(fsPath(in), fsPath(symLink), error);
  if (error) {
    GTEST_SKIP() << "this system lets us create no symbolic link: " << error.message();
  }
  expectRefused({{in, vertices, faces, symLink}, {symLink, symLink, faces}});
}

class CollidingOutputsTest : public DriverTest {
 protected:
  void SetUp() override { writeFile(in, workedExample()); }

  // Each run must be refused with every existing file as it was and no file created.
  void expectRefused(const std::vector<std::vector<std::string>>& runs) {
    for (const auto& arguments : runs) {
      const auto before = folderContents();
      const RunResult run = runProgram(arguments);
      EXPECT_EQ(run.status, -1) << arguments[1] << " " << arguments[2];
      EXPECT_EQ(run.console, "Output files are the same file\n");
      EXPECT_EQ(folderContents(), before) << arguments[1] << " " << arguments[2];
    }
  }

  std::map<std::string, Bytes> folderContents() const {
    std::map<std::string, Bytes> contents;
    for (const auto& entry : fs::directory_iterator(fsPath(folder_.path("")))) {
      const std::u8string u8name = entry.path().filename().u8string();
      const std::string name(u8name.begin(), u8name.end());
      contents[name] = entry.is_regular_file() ? readFile(folder_.path(name)) : Bytes{};  // a link to nothing yet
    }
    return contents;
  }
};

TEST_F(CollidingOutputsTest, EveryPairByOneNameIsRefusedWhetherTheFileExistsOrNot) {
  const std::string same = folder_.path("out €.bin");
  const std::string sameAgain = folder_.path("./out €.bin");
  expectRefused(
      {{in, same, same, mapping}, {in, same, faces, same}, {in, vertices, same, same}, {in, same, same, same}});
  expectRefused({{in, same, sameAgain}, {in, vertices, same, sameAgain}});
  writeFile(same, kOldContent);
  writeFile(vertices, kOldContent);
  expectRefused(
      {{in, same, same, mapping}, {in, same, faces, same}, {in, vertices, same, same}, {in, same, sameAgain}});
}

TEST_F(CollidingOutputsTest, NamesInAnyScriptThroughHardLinksAreRefused) {
  for (const std::string& name : kNamesInAnyScript) {
    const std::string file = folder_.path(name + ".bin");
    const std::string hardLink = folder_.path(name + " link.bin");
    writeFile(file, kOldContent);
    fs::create_hard_link(fsPath(file), fsPath(hardLink));
    expectRefused({{in, file, hardLink}, {in, vertices, file, hardLink}, {in, hardLink, faces, file}});
  }
}

TEST_F(CollidingOutputsTest, SymbolicLinksToAnOutputAreRefusedEvenBeforeItExists) {
  const std::string target = folder_.path("target.bin");
  const std::string symLink = folder_.path("sym €.bin");
  std::error_code error;
  fs::create_symlink(fsPath(target), fsPath(symLink), error);
  if (error) {
    GTEST_SKIP() << "this system lets us create no symbolic link: " << error.message();
  }
  expectRefused({{in, target, symLink}, {in, vertices, symLink, target}});  // the link leads nowhere yet
  writeFile(target, kOldContent);
  expectRefused({{in, symLink, target}, {in, target, faces, symLink}});
}

TEST_F(CollidingOutputsTest, NamesThatDifferInCaseAreOneFileOnlyWhereTheFileSystemSaysSo) {
  const std::string lower = folder_.path("o.bin");
  const std::string upper = folder_.path("O.BIN");
#ifdef _WIN32
  expectRefused({{in, lower, upper}});
  writeFile(lower, kOldContent);
  expectRefused({{in, lower, faces, upper}});
#else
  const RunResult run = runProgram({in, lower, upper, mapping});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(readFile(lower).size(), 36u);
  EXPECT_EQ(readFile(upper).size(), 6u);
#endif
}

TEST_F(CollidingOutputsTest, DevicesTakeSeveralOutputs) {
#ifdef _WIN32
  const std::vector<std::string> devices = {"NUL", "nul"};
#else
  const std::vector<std::string> devices = {"/dev/null", "/dev/null"};
#endif
  for (const auto& arguments : std::vector<std::vector<std::string>>{{in, devices[0], devices[1]},
                                                                     {in, devices[0], devices[1], devices[0]},
                                                                     {in, vertices, devices[0], devices[1]}}) {
    const RunResult run = runProgram(arguments);
    EXPECT_EQ(run.status, 0) << arguments[1];
    EXPECT_TRUE(run.console.ends_with("\n Complete ")) << arguments[1];
  }
  EXPECT_EQ(readFile(vertices).size(), 36u);
}

TEST(HelpAddress, FileUrlsOfEverySystemAreValid) {
  EXPECT_EQ(fileUrl(fsPath("/usr/local/share/doc/polymill/README.md")),
            "file:///usr/local/share/doc/polymill/README.md");
  EXPECT_EQ(fileUrl(fsPath("C:/Program Files/polymill ñ/README.md")),
            "file:///C:/Program%20Files/polymill%20%C3%B1/README.md");
  EXPECT_EQ(fileUrl(fsPath("/a#b?c.md")), "file:///a%23b%3Fc.md");
#ifdef _WIN32
  // A server's share: the server is the host.
  EXPECT_EQ(fileUrl(fsPath("//server/share/README.md")), "file://server/share/README.md");
#endif
}

}  // namespace
}  // namespace polymill::test
