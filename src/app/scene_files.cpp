#include "app/scene_files.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "app/driver.h"
#include "app/objects_json.h"
#include "platform/file_names.h"

namespace polymill {

namespace {

constexpr std::array<std::string_view, 5> kKinds = {"vertices", "faces", "mapping", "objects.json", "trace"};

std::string nameOf(const std::string& stem, std::string_view kind) { return stem + "." + std::string(kind); }

bool writeText(const std::string& name, std::string_view text) {
  std::FILE* file = platform::openFile(name.c_str(), platform::FileMode::write);
  if (file == nullptr) {
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

// Closes the trace; false when any of it did not reach the file.
bool closeTrace(std::FILE* trace) {
  const bool written = std::ferror(trace) == 0;
  return std::fclose(trace) == 0 && written;
}

// The message as a line: the program prints some with blank lines around them.
std::string lineOf(std::string_view message) {
  const std::size_t first = message.find_first_not_of("\n ");
  const std::size_t last = message.find_last_not_of("\n ");
  return first == std::string_view::npos ? std::string() : std::string(message.substr(first, last - first + 1));
}

void removeEvery(const std::string& stem, const std::string& partial) {
  for (const std::string_view kind : kKinds) {
    platform::removeFile(nameOf(partial, kind).c_str());
    platform::removeFile(nameOf(stem, kind).c_str());
  }
}

// Gives each whole file its own name, the trace last: a build that finds the
// trace finds the rest.
bool renameEvery(const std::string& stem, const std::string& partial, bool mapping) {
  for (const std::string_view kind : kKinds) {
    if (kind == "mapping" && !mapping) {
      continue;
    }
    if (!platform::replaceFile(nameOf(partial, kind).c_str(), nameOf(stem, kind).c_str())) {
      return false;
    }
  }
  return true;
}

SceneFilesResult convertAndRename(const char* scene, const std::string& stem, const std::string& partial,
                                  bool mapping) {
  std::FILE* trace = platform::openFile(nameOf(partial, "trace").c_str(), platform::FileMode::write);
  if (trace == nullptr) {
    return {-1, "Error Opening File to write the Trace"};
  }
  const std::string vertices = nameOf(partial, "vertices");
  const std::string faces = nameOf(partial, "faces");
  const std::string mappingName = nameOf(partial, "mapping");
  const FileRun run =
      convertIntoFiles(scene, {vertices.c_str(), faces.c_str(), mapping ? mappingName.c_str() : nullptr}, trace);
  const bool traceWritten = closeTrace(trace);
  if (run.status != 0) {
    return {-1, lineOf(run.message)};
  }
  if (!traceWritten) {
    return {-1, "Error Writing the Trace"};
  }
  if (!writeText(nameOf(partial, "objects.json"), objectsJson(run.objects))) {
    return {-1, "Error Writing the Object Index"};
  }
  if (!renameEvery(stem, partial, mapping)) {
    return {-1, "Error Naming the Files"};
  }
  return {0, ""};
}

}  // namespace

SceneFilesResult writeSceneFiles(const char* scene, const std::string& stem, bool mapping) {
  const std::string partial = stem + ".partial";
  SceneFilesResult result = convertAndRename(scene, stem, partial, mapping);
  if (result.status != 0) {
    removeEvery(stem, partial);
  }
  return result;
}

}  // namespace polymill
