#include "app/driver.h"

#include <array>
#include <new>
#include <string_view>

#include "app/help_address.h"
#include "chunk/chunk.h"
#include "chunk/chunk_kinds.h"
#include "chunk/input_stream.h"
#include "chunk/mesh_walk.h"
#include "mesh/mesh_types.h"
#include "output/byte_writer.h"
#include "platform/console.h"
#include "platform/file_names.h"
#include "platform/memory.h"

namespace polymill {

namespace {

constexpr std::size_t kRequiredArguments = 3;
constexpr std::size_t kArgumentsWithMapping = 4;
// What a run takes besides what grows with its input: the program itself, its
// buffers, and the system's own bookkeeping of the memory it maps.
constexpr std::uint64_t kFixedNeeds = std::uint64_t{16} << 20;

void printUsage(ByteWriter& console) {
  console.text(
      "Something is up with your Syntax.\n\n"
      "polymill infile.3ds outVertexFile outFaceFile outMappingFile\n\n"
      "Try that.\n\nGoto ");
  console.text(helpAddress());
  console.text(" for more help if you\ncan't find what you need in the readme.txt\n");
}

// The one place that decides which output files a command line asks for.
OutputNames outputNamesOf(std::span<const char* const> arguments) {
  return {arguments[1], arguments[2], arguments.size() >= kArgumentsWithMapping ? arguments[3] : nullptr};
}

// True when an output names the input itself, through any link: the outputs
// are emptied before the input is read, which would destroy it.
bool outputOverwritesInput(const char* input, const OutputNames& outputs) {
  for (const char* output : {outputs.vertices, outputs.faces, outputs.mapping}) {
    if (output != nullptr && platform::sameFile(input, output)) {
      return true;
    }
  }
  return false;
}

// True when two outputs lead to one regular file: each output file is emptied
// when its turn comes, which would destroy what the one before had written.
// A device such as /dev/null may take several outputs.
bool outputsCollide(const OutputNames& outputs) {
  const std::array<const char*, 3> names = {outputs.vertices, outputs.faces, outputs.mapping};
  for (std::size_t i = 0; i < names.size(); ++i) {
    for (std::size_t j = i + 1; j < names.size(); ++j) {
      if (names[i] != nullptr && names[j] != nullptr && platform::sameFile(names[i], names[j]) &&
          platform::isRegularOrAbsent(names[i])) {
        return true;
      }
    }
  }
  return false;
}

constexpr std::string_view kOutOfMemory = "\nNot enough memory for the mesh lists\n";

// The run from the open input on: the vertex file is opened (created or
// emptied) before anything is read, the root checked, the scene walked and
// the files written. A walk that outgrows the budget ends the run right
// after the trace it printed.
int convert(InputStream& input, const OutputNames& outputs, const platform::MemoryBudget& budget, ByteWriter& console) {
  MeshLists lists;
  OutputFile output;
  output.open(outputs.vertices);  // a failure shows when the vertices are written

  const ChunkChain chain(openRoot(input));
  if (chain.root() == nullptr) {
    console.text(budget.exhausted() ? kOutOfMemory : "Error reading File\n");
    return -1;
  }
  if (chain.root()->id != MAIN) {
    console.text("\nFile is not a valid 3ds file. Well one that I'll use");
    return -1;
  }
  walkChunks(*chain.root(), input, lists, console);
  if (budget.exhausted()) {
    console.text(kOutOfMemory);
    return -1;
  }
  if (!writeOutputs(lists, output, outputs, console)) {
    return -1;
  }
  console.text("\n Complete ");
  return 0;
}

// What grows with the input stays within the budget; where the language has
// exceptions, memory that the system refuses for anything else (a buffer, a
// name) ends the run with the same message instead of ending the process.
template <typename Step>
int catchingShortage(std::FILE* consoleStream, Step step) {
#ifdef __cpp_exceptions
  try {
    return step();
  } catch (const std::bad_alloc&) {
    // The console writer has flushed on the way out, so the message follows the trace.
    std::fputs(kOutOfMemory.data(), consoleStream);
    return -1;
  }
#else
  (void)consoleStream;
  return step();
#endif
}

// Runs `step` with a console writer and the run's memory budget, taken from
// what the process can really use, so that a scene whose counts declare more
// than that ends with a message, like every other failure, and never leaves
// the process to the system's out-of-memory killer.
template <typename Step>
int guarded(std::FILE* consoleStream, Step step) {
  return catchingShortage(consoleStream, [&] {
    const std::uint64_t available = platform::memoryAvailable();  // reading it takes memory too
    const platform::MemoryBudget budget(available > kFixedNeeds ? available - kFixedNeeds : 0);
    ByteWriter console(consoleStream, platform::isTerminal(consoleStream));
    return step(console, budget);
  });
}

}  // namespace

int runPolymill(std::span<const char* const> arguments, std::FILE* consoleStream) {
  return guarded(consoleStream, [&](ByteWriter& console, const platform::MemoryBudget& budget) {
    if (arguments.size() < kRequiredArguments) {
      printUsage(console);
      return -1;
    }
    const OutputNames outputs = outputNamesOf(arguments);
    InputStream input;
    // A failure shows when the root is read; an input that is not there cannot be overwritten.
    if (input.openFile(arguments[0]) && outputOverwritesInput(arguments[0], outputs)) {
      console.text("Output file is the same as the input file\n");
      return -1;
    }
    if (outputsCollide(outputs)) {
      console.text("Output files are the same file\n");
      return -1;
    }
    return convert(input, outputs, budget, console);
  });
}

int convertScene(std::span<const std::uint8_t> scene, const OutputNames& outputs, std::FILE* consoleStream) {
  return guarded(consoleStream, [&](ByteWriter& console, const platform::MemoryBudget& budget) {
    InputStream input;
    input.openBytes(scene);
    return convert(input, outputs, budget, console);
  });
}

}  // namespace polymill
