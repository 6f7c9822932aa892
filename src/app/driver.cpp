#include "app/driver.h"

#include <array>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/help_address.h"
#include "chunk/chunk.h"
#include "chunk/chunk_kinds.h"
#include "chunk/mesh_walk.h"
#include "input/input_stream.h"
#include "mesh/mesh_types.h"
#include "mesh/object_index.h"
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
OutputTargets outputNamesOf(std::span<const char* const> arguments) {
  return {arguments[1], arguments[2], arguments.size() >= kArgumentsWithMapping ? arguments[3] : nullptr};
}

// True when an output names the input itself, through any link: the outputs
// are emptied before the input is read, which would destroy it.
bool outputOverwritesInput(const char* input, const OutputTargets& outputs) {
  for (const char* output : {outputs.vertices.name, outputs.faces.name, outputs.mapping.name}) {
    if (output != nullptr && platform::sameFile(input, output)) {
      return true;
    }
  }
  return false;
}

// True when two outputs lead to one regular file: each output file is emptied
// when its turn comes, which would destroy what the one before had written.
// A device such as /dev/null may take several outputs.
bool outputsCollide(const OutputTargets& outputs) {
  const std::array<const char*, 3> names = {outputs.vertices.name, outputs.faces.name, outputs.mapping.name};
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

constexpr std::string_view kReadError = "Error reading File\n";
constexpr std::string_view kOutOfMemory = "\nNot enough memory for the mesh lists\n";
constexpr std::string_view kComplete = "\n Complete ";

constexpr std::string_view kNotValid = "\nFile is not a valid 3ds file. Well one that I'll use";

// The run from the open input up to the files: the root checked, the scene
// walked (into `index` too, unless it is null) and what a conversion in
// memory hands out claimed. Gives the message printed when the run ends
// there: a walk that outgrows the budget ends right after the trace it printed.
std::optional<std::string_view> walkScene(InputStream& input, MeshLists& lists, const OutputTargets& outputs,
                                          const platform::MemoryBudget& budget, ByteWriter& console,
                                          ObjectIndex* index) {
  const auto end = [&](std::string_view message) {
    console.text(message);
    return message;
  };
  const ChunkChain chain(openRoot(input));
  if (chain.root() == nullptr || input.readRefused()) {
    return end(budget.exhausted() ? kOutOfMemory : kReadError);
  }
  if (chain.root()->id != MAIN) {
    return end(kNotValid);
  }
  walkChunks(*chain.root(), input, lists, console, index);
  // A scene the system would not let the walk read to its end is not converted whole.
  if (input.readRefused()) {
    return end(kReadError);
  }
  // What a conversion in memory hands out is claimed before any of it is written.
  if (budget.exhausted() || (index != nullptr && !index->claimHandOut()) || !claimFilesInMemory(lists, outputs)) {
    return end(kOutOfMemory);
  }
  return std::nullopt;
}

// The run from the open input on: the vertex file is opened (created or
// emptied) before anything is read, the scene walked and the files written.
// Gives the message that ended a run that failed.
std::optional<std::string_view> runConversion(InputStream& input, const OutputTargets& outputs,
                                              const platform::MemoryBudget& budget, ByteWriter& console,
                                              ObjectIndex* index = nullptr) {
  MeshLists lists(input);
  OutputFile output;
  output.open(outputs.vertices);  // a failure shows when the vertices are written
  if (const std::optional<std::string_view> message = walkScene(input, lists, outputs, budget, console, index)) {
    return message;
  }
  if (const std::optional<std::string_view> message = writeOutputs(lists, output, outputs, console)) {
    return message;
  }
  console.text(kComplete);
  return std::nullopt;
}

int statusOf(const std::optional<std::string_view>& failure) { return failure ? -1 : 0; }

constexpr std::string_view kOutputIsInput = "Output file is the same as the input file\n";
constexpr std::string_view kOutputsCollide = "Output files are the same file\n";

// The run of the named scene into the named files, once they are known not to destroy one another.
std::optional<std::string_view> runNamedFiles(const char* scene, const OutputTargets& outputs,
                                              const platform::MemoryBudget& budget, ByteWriter& console,
                                              ObjectIndex* index = nullptr) {
  InputStream input;
  // A failure shows when the root is read; an input that is not there cannot be overwritten.
  if (input.openFile(scene) && outputOverwritesInput(scene, outputs)) {
    console.text(kOutputIsInput);
    return kOutputIsInput;
  }
  if (outputsCollide(outputs)) {
    console.text(kOutputsCollide);
    return kOutputsCollide;
  }
  return runConversion(input, outputs, budget, console, index);
}

// The message after a trace kept in memory that memory could not hold: in
// the room the trace already has, at the cost of its last bytes if need be,
// so that it needs no more.
void appendShortage(std::string& trace) {
  if (trace.capacity() >= kOutOfMemory.size() && trace.capacity() - trace.size() < kOutOfMemory.size()) {
    trace.resize(trace.capacity() - kOutOfMemory.size());
  }
  trace.append(kOutOfMemory);
}

void appendShortage(TextHead& trace) {
  appendShortage(trace.kept);  // a head that could not grow holds all of the trace so far
  trace.size = trace.kept.size();
}

#ifdef __cpp_exceptions
void reportShortage(std::FILE* console) { std::fputs(kOutOfMemory.data(), console); }
void reportShortage(std::string* console) { console->append(kOutOfMemory); }
void reportShortage(TextHead* console) {
  console->kept.append(kOutOfMemory);
  console->size += kOutOfMemory.size();
}
#endif

bool isTerminal(std::FILE* console) { return platform::isTerminal(console); }
bool isTerminal(std::string*) { return false; }
bool isTerminal(TextHead*) { return false; }

// What grows with the input stays within the budget; where the language has
// exceptions, memory that the system refuses for anything else (a buffer, a
// name) ends the run with the same message instead of ending the process.
template <typename Console, typename Step>
int catchingShortage(Console* consoleTarget, Step step) {
#ifdef __cpp_exceptions
  try {
    return step();
  } catch (const std::bad_alloc&) {
    // The console writer has flushed on the way out, so the message follows the trace.
    try {
      reportShortage(consoleTarget);
    } catch (const std::bad_alloc&) {
      // Not even the message fits: the status alone tells.
    }
    return -1;
  }
#else
  (void)consoleTarget;
  return step();
#endif
}

// Runs `step` with a console writer and the run's memory budget, taken from
// what the process can really use, so that a scene whose counts declare more
// than that ends with a message, like every other failure, and never leaves
// the process to the system's out-of-memory killer.
template <typename Console, typename Step>
int guarded(Console* consoleTarget, Step step) {
  return catchingShortage(consoleTarget, [&] {
    const std::uint64_t available = platform::memoryAvailable();  // reading it takes memory too
    const platform::MemoryBudget budget(available > kFixedNeeds ? available - kFixedNeeds : 0);
    ByteWriter console(consoleTarget, isTerminal(consoleTarget));
    return step(console, budget);
  });
}

}  // namespace

int run(std::span<const char* const> arguments, std::FILE* consoleStream) {
  return guarded(consoleStream, [&](ByteWriter& console, const platform::MemoryBudget& budget) {
    if (arguments.size() < kRequiredArguments) {
      printUsage(console);
      return -1;
    }
    return statusOf(runNamedFiles(arguments[0], outputNamesOf(arguments), budget, console));
  });
}

FileRun convertIntoFiles(const char* scene, const OutputTargets& outputs, std::FILE* consoleStream) {
  FileRun result;
  result.status = guarded(consoleStream, [&](ByteWriter& console, const platform::MemoryBudget& budget) {
    ObjectIndex index;
    const std::optional<std::string_view> failure = runNamedFiles(scene, outputs, budget, console, &index);
    result.message = failure.value_or("");
    result.objects = failure ? std::vector<Object>{} : index.take();
    return statusOf(failure);
  });
  if (result.status != 0 && result.message.empty()) {
    result.message = kOutOfMemory;  // memory the system refused for anything else
  }
  return result;
}

int convertScene(std::span<const std::uint8_t> scene, const OutputTargets& outputs, std::FILE* consoleStream) {
  return guarded(consoleStream, [&](ByteWriter& console, const platform::MemoryBudget& budget) {
    InputStream input;
    input.openBytes(scene);
    return statusOf(runConversion(input, outputs, budget, console));
  });
}

namespace {

// Runs `step` (console, budget, index) with its trace kept in memory at
// `trace`, and gives the status, the object index going to `objects` once the
// run completed with all of its trace held. A trace that outgrew the budget
// ends the call as a walk that outgrows it does: nullopt, the message
// appended to the trace.
template <typename Trace, typename Step>
std::optional<int> runInMemory(Trace& trace, std::vector<Object>& objects, Step step) {
  bool traceHeld = true;
  const int status = guarded(&trace, [&](ByteWriter& console, const platform::MemoryBudget& budget) {
    ObjectIndex index;
    const int status = step(console, budget, index);
    traceHeld = console.flush();
    if (status == 0 && traceHeld) {
      objects = index.take();
    }
    return status;
  });
  if (!traceHeld) {
    appendShortage(trace);
    return std::nullopt;
  }
  return status;
}

// The conversion in memory of the scene `input` is opened on, its trace
// going to `trace` (the whole of it, or its head), the message that ended a
// failed run to `message`.
template <typename Trace>
Conversion convertInput(InputStream& input, Trace& trace, std::string_view& message) {
  Conversion result{};
  const std::optional<int> status = runInMemory(
      trace, result.objects, [&](ByteWriter& console, const platform::MemoryBudget& budget, ObjectIndex& index) {
        const OutputTargets outputs = {OutputTarget(result.vertices), OutputTarget(result.faces),
                                       OutputTarget(result.mapping)};
        const std::optional<std::string_view> failure = runConversion(input, outputs, budget, console, &index);
        message = failure.value_or("");
        return statusOf(failure);
      });
  if (!status) {
    // The vertex file emptied and the others not made.
    result = {-1, {}, std::vector<std::uint8_t>{}, std::nullopt, std::nullopt, {}};
  } else {
    result.status = *status;
  }
  if (result.status != 0 && (!status || message.empty())) {
    message = kOutOfMemory;  // the trace, or memory the system refused for anything else
  }
  return result;
}

Conversion convertInput(InputStream& input) {
  std::string trace;
  std::string_view message;
  Conversion result = convertInput(input, trace, message);
  result.trace = std::move(trace);
  return result;
}

HeadedConversion convertKeepingHead(InputStream& input, std::size_t traceLimit) {
  TextHead trace;
  trace.limit = traceLimit;
  trace.counted = false;
  HeadedConversion result{};
  result.conversion = convertInput(input, trace, result.message);
  result.conversion.trace = std::move(trace.kept);
  return result;
}

}  // namespace

Conversion convert(std::span<const std::uint8_t> scene) {
  InputStream input;
  input.openBytes(scene);
  return convertInput(input);
}

namespace {

// The survey of the scene `input` is opened on.
Survey surveyInput(InputStream& input, std::size_t traceLimit) {
  Survey result;
  result.trace.limit = traceLimit;
  const std::optional<int> status = runInMemory(
      result.trace, result.objects, [&](ByteWriter& console, const platform::MemoryBudget& budget, ObjectIndex& index) {
        MeshLists lists(input);
        // The files that convert() writes in memory, claimed as it claims them.
        std::optional<std::vector<std::uint8_t>> vertices;
        std::optional<std::vector<std::uint8_t>> faces;
        std::optional<std::vector<std::uint8_t>> mapping;
        const OutputTargets outputs = {OutputTarget(vertices), OutputTarget(faces), OutputTarget(mapping)};
        if (walkScene(input, lists, outputs, budget, console, &index)) {
          return -1;
        }
        // Files claimed in memory are written whole: convert() completes as surely.
        result.files = fileSizesOf(lists);
        console.text(kComplete);
        return 0;
      });
  result.status = status.value_or(-1);
  if (result.status != 0) {
    result.files = {};
  }
  return result;
}

}  // namespace

Survey survey(std::span<const std::uint8_t> scene, std::size_t traceLimit) {
  InputStream input;
  input.openBytes(scene);
  return surveyInput(input, traceLimit);
}

Survey survey(const char* fileName, std::size_t traceLimit) {
  InputStream input;
  input.openFile(fileName);
  return surveyInput(input, traceLimit);
}

SceneIndex indexFile(const char* fileName) {
  SceneIndex result;
  TextHead trace;  // the run's end is all the index needs of it
  trace.counted = false;
  result.status = guarded(&trace, [&](ByteWriter& console, const platform::MemoryBudget& budget) {
    InputStream input;
    input.openFile(fileName);  // a failure shows when the root is read
    MeshLists lists(input);
    ObjectIndex index;
    if (const std::optional<std::string_view> message = walkScene(input, lists, {}, budget, console, &index)) {
      result.message = *message;
      return -1;
    }
    result.objects = index.take();
    return 0;
  });
  if (result.status != 0 && result.message.empty()) {
    result.message = kOutOfMemory;  // memory the system refused for anything else
  }
  return result;
}

Conversion convertFile(const char* fileName) {
  InputStream input;
  input.openFile(fileName);  // a failure shows when the root is read
  return convertInput(input);
}

HeadedConversion convertKeepingHead(std::span<const std::uint8_t> scene, std::size_t traceLimit) {
  InputStream input;
  input.openBytes(scene);
  return convertKeepingHead(input, traceLimit);
}

HeadedConversion convertFileKeepingHead(const char* fileName, std::size_t traceLimit) {
  InputStream input;
  input.openFile(fileName);  // a failure shows when the root is read
  return convertKeepingHead(input, traceLimit);
}

Conversion convertOwned(std::unique_ptr<std::uint8_t[]> scene, std::size_t size) {
  InputStream input;
  input.openOwnedBytes(std::move(scene), size);
  return convertInput(input);
}

}  // namespace polymill
