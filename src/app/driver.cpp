#include "app/driver.h"

#include <filesystem>
#include <system_error>

#include "chunk/chunk.h"
#include "chunk/chunk_kinds.h"
#include "chunk/input_file.h"
#include "chunk/mesh_walk.h"
#include "mesh/mesh_types.h"
#include "output/byte_writer.h"
#include "output/mesh_writer.h"
#include "output/output_file.h"

namespace polymill {

const std::string_view kHelpAddress = "file://" POLYMILL_DOC_DIR "/README.md";

namespace {

constexpr std::size_t kRequiredArguments = 3;

void printUsage(ByteWriter& console) {
  console.text(
      "Something is up with your Syntax.\n\n"
      "polymill infile.3ds outVertexFile outFaceFile outMappingFile\n\n"
      "Try that.\n\nGoto ");
  console.text(kHelpAddress);
  console.text(" for more help if you\ncan't find what you need in the readme.txt\n");
}

// True when an output argument names the input itself, through any link: the
// outputs are emptied before the input is read, which would destroy it.
bool outputOverwritesInput(std::span<const char* const> arguments) {
  for (const char* output : arguments.subspan(1, arguments.size() < 4 ? 2 : 3)) {
    std::error_code error;
    if (std::filesystem::equivalent(arguments[0], output, error)) {
      return true;
    }
  }
  return false;
}

}  // namespace

int runPolymill(std::span<const char* const> arguments, std::FILE* consoleStream) {
  ByteWriter console(consoleStream);
  if (arguments.size() < kRequiredArguments) {
    printUsage(console);
    return -1;
  }
  if (outputOverwritesInput(arguments)) {
    console.text("Output file is the same as the input file\n");
    return -1;
  }

  MeshLists lists;
  InputFile input;
  input.open(arguments[0]);
  OutputFile output;
  output.open(arguments[1]);  // a failure shows when the vertices are written

  Chunk* root = openRoot(input);
  if (root == nullptr) {
    console.text("Error reading File\n");
    return -1;
  }
  if (root->id != MAIN) {
    releaseChain(root);
    console.text("\nFile is not a valid 3ds file. Well one that I'll use");
    return -1;
  }

  // Nothing past the walk needs the chunk records.
  releaseChain(walkChunks(*root, input, lists, console));

  const char* mappingFile = arguments.size() > 3 ? arguments[3] : nullptr;
  if (!writeOutputs(lists, output, arguments.size(), arguments[2], mappingFile, console)) {
    return -1;
  }
  console.text("\n Complete ");
  return 0;
}

}  // namespace polymill
