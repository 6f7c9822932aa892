// What the WebAssembly module offers JavaScript besides the program itself:
// the library's conversion of a scene in the module's memory. JavaScript
// places the scene in room the module gives, calls polymill_convert once and
// reads the result by the layouts below; the instance is then let go, and
// its memory with it. The page keeps the scene instead, and asks in steps:
// the survey (status, index, the trace's head) for its table, then the
// files, then, for a download, the whole trace, which alone is given back.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "app/driver.h"
#include "polymill/polymill.h"

namespace {

// Every pointer of the module is 32 bits; every field is little-endian.
struct FileView {
  const std::uint8_t* data;
  std::uint32_t size;
  std::uint32_t present;  // 0 for a file the program would not create
};

enum ObjectFlags : std::uint32_t { kNamed = 1, kMesh = 2, kBounded = 4 };

struct ObjectView {
  const char* name;
  std::uint32_t nameSize;
  std::uint32_t flags;
  float min[3];
  float max[3];
  // firstVertex, vertices, firstFace, faces, firstMapping, mapping: doubles, exact far past any count.
  double counts[6];
};
static_assert(sizeof(void*) != 4 ||
              (offsetof(ObjectView, flags) == 8 && offsetof(ObjectView, min) == 12 && offsetof(ObjectView, max) == 24 &&
               offsetof(ObjectView, counts) == 40 && sizeof(ObjectView) == 88));

struct ResultView {
  std::int32_t status;
  FileView trace;
  FileView vertices;
  FileView faces;
  FileView mapping;
  const ObjectView* objects;
  std::uint32_t objectCount;
};
static_assert(sizeof(void*) != 4 || (offsetof(ResultView, trace) == 4 && offsetof(ResultView, objects) == 52));

struct SurveyView {
  std::int32_t status;
  FileView trace;  // its head
  // The whole trace's bytes, then the vertex, face and mapping files': doubles.
  double sizes[4];
  const ObjectView* objects;
  std::uint32_t objectCount;
  const struct HeldSurvey* held;  // what polymill_release_survey gives back
};
static_assert(sizeof(void*) != 4 || (offsetof(SurveyView, sizes) == 16 && offsetof(SurveyView, objects) == 48));

struct Held {
  polymill::Conversion conversion;
  std::vector<ObjectView> objects;
  ResultView view;
};

struct HeldSurvey {
  polymill::Survey survey;
  std::vector<ObjectView> objects;
  SurveyView view;
};

FileView viewOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), static_cast<std::uint32_t>(text.size()), 1};
}

FileView viewOf(const std::optional<std::vector<std::uint8_t>>& file) {
  return file ? FileView{file->data(), static_cast<std::uint32_t>(file->size()), 1} : FileView{nullptr, 0, 0};
}

ObjectView viewOf(const polymill::Object& object) {
  ObjectView view{};
  if (object.name) {
    view.name = object.name->data();
    view.nameSize = static_cast<std::uint32_t>(object.name->size());
    view.flags |= kNamed;
  }
  if (object.mesh) {
    view.flags |= kMesh;
  }
  if (object.bounds) {
    view.flags |= kBounded;
    for (std::size_t axis = 0; axis < 3; ++axis) {
      view.min[axis] = object.bounds->min[axis];
      view.max[axis] = object.bounds->max[axis];
    }
  }
  const std::uint64_t counts[] = {object.firstVertex, object.vertices,     object.firstFace,
                                  object.faces,       object.firstMapping, object.mapping};
  for (std::size_t i = 0; i < 6; ++i) {
    view.counts[i] = static_cast<double>(counts[i]);
  }
  return view;
}

std::vector<ObjectView> viewsOf(const std::vector<polymill::Object>& objects) {
  std::vector<ObjectView> views;
  views.reserve(objects.size());
  for (const polymill::Object& object : objects) {
    views.push_back(viewOf(object));
  }
  return views;
}

std::span<const std::uint8_t> sceneAt(const std::uint8_t* scene, std::uint32_t size) { return {scene, size}; }

}  // namespace

// Room for a scene of `size` bytes, or null when the module's memory cannot hold it.
extern "C" [[clang::export_name("polymill_scene_room")]] std::uint8_t* sceneRoom(std::uint32_t size) {
  return new (std::nothrow) std::uint8_t[size > 0 ? size : 1];
}

// Converts the scene placed in that room, as polymill::convert does, and
// gives the room back.
extern "C" [[clang::export_name("polymill_convert")]] const ResultView* convertScene(std::uint8_t* scene,
                                                                                     std::uint32_t size) {
  auto* held = new Held{polymill::convertOwned(std::unique_ptr<std::uint8_t[]>(scene), size), {}, {}};
  held->objects = viewsOf(held->conversion.objects);
  const polymill::Conversion& conversion = held->conversion;
  held->view = {conversion.status,
                viewOf(conversion.trace),
                viewOf(conversion.vertices),
                viewOf(conversion.faces),
                viewOf(conversion.mapping),
                held->objects.data(),
                static_cast<std::uint32_t>(held->objects.size())};
  return &held->view;
}

// What polymill_convert would tell of the scene in that room, which stays,
// before any file is written (polymill::survey), the trace's first
// `traceLimit` bytes kept. Given back with polymill_release_survey.
extern "C" [[clang::export_name("polymill_survey")]] const SurveyView* surveyScene(const std::uint8_t* scene,
                                                                                   std::uint32_t size,
                                                                                   std::uint32_t traceLimit) {
  auto* held = new HeldSurvey{polymill::survey(sceneAt(scene, size), traceLimit), {}, {}};
  held->objects = viewsOf(held->survey.objects);
  const polymill::Survey& survey = held->survey;
  held->view = {survey.status,
                viewOf(survey.trace.kept),
                {static_cast<double>(survey.trace.size), static_cast<double>(survey.files.vertices),
                 static_cast<double>(survey.files.faces), static_cast<double>(survey.files.mapping)},
                held->objects.data(),
                static_cast<std::uint32_t>(held->objects.size()),
                held};
  return &held->view;
}

extern "C" [[clang::export_name("polymill_release_survey")]] void releaseSurvey(const SurveyView* view) {
  delete view->held;
}

// The files of the scene in that room, which stays, as polymill_convert
// writes them; the trace is not kept and the index not made.
extern "C" [[clang::export_name("polymill_files")]] const ResultView* convertFiles(const std::uint8_t* scene,
                                                                                   std::uint32_t size) {
  auto* held = new Held{polymill::convertFiles(sceneAt(scene, size)), {}, {}};
  const polymill::Conversion& files = held->conversion;
  held->view = {files.status, {}, viewOf(files.vertices), viewOf(files.faces), viewOf(files.mapping), nullptr, 0};
  return &held->view;
}
