// What the WebAssembly module offers JavaScript besides the program itself:
// the library's conversion of a scene in the module's memory. JavaScript
// places the scene in room the module gives, calls polymill_convert once and
// reads the result by the layouts below; the instance is then let go, and
// its memory with it. The page asks in two steps: the survey (status, index,
// the trace's head) for its table, given back once read, then the
// conversion. Where the page can have the module wait for a file's bytes,
// each step is in an instance of its own and reads the scene as a file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>
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

const ResultView* heldConversion(polymill::Conversion conversion) {
  auto* held = new Held{std::move(conversion), {}, {}};
  held->objects = viewsOf(held->conversion.objects);
  const polymill::Conversion& kept = held->conversion;
  held->view = {kept.status,
                viewOf(kept.trace),
                viewOf(kept.vertices),
                viewOf(kept.faces),
                viewOf(kept.mapping),
                held->objects.data(),
                static_cast<std::uint32_t>(held->objects.size())};
  return &held->view;
}

const SurveyView* heldSurvey(polymill::Survey survey) {
  auto* held = new HeldSurvey{std::move(survey), {}, {}};
  held->objects = viewsOf(held->survey.objects);
  const polymill::Survey& kept = held->survey;
  held->view = {kept.status,
                viewOf(kept.trace.kept),
                {static_cast<double>(kept.trace.size), static_cast<double>(kept.files.vertices),
                 static_cast<double>(kept.files.faces), static_cast<double>(kept.files.mapping)},
                held->objects.data(),
                static_cast<std::uint32_t>(held->objects.size()),
                held};
  return &held->view;
}

}  // namespace

// Room for `size` bytes (a scene, or the name of a file), or null when the
// module's memory cannot hold it.
extern "C" [[clang::export_name("polymill_scene_room")]] std::uint8_t* sceneRoom(std::uint32_t size) {
  return new (std::nothrow) std::uint8_t[size > 0 ? size : 1];
}

// Converts the scene placed in that room, as polymill::convert does, and
// gives the room back.
extern "C" [[clang::export_name("polymill_convert")]] const ResultView* convertScene(std::uint8_t* scene,
                                                                                     std::uint32_t size) {
  return heldConversion(polymill::convertOwned(std::unique_ptr<std::uint8_t[]>(scene), size));
}

// The same of the scene in the file named in that room, which goes with the call.
extern "C" [[clang::export_name("polymill_convert_file")]] const ResultView* convertFile(char* name) {
  return heldConversion(polymill::convertFile(std::unique_ptr<char[]>(name).get()));
}

// What polymill_convert would tell of the scene in that room, which stays,
// before any file is written (polymill::survey), the trace's first
// `traceLimit` bytes kept. Given back with polymill_release_survey.
extern "C" [[clang::export_name("polymill_survey")]] const SurveyView* surveyScene(const std::uint8_t* scene,
                                                                                   std::uint32_t size,
                                                                                   std::uint32_t traceLimit) {
  return heldSurvey(polymill::survey(std::span<const std::uint8_t>(scene, size), traceLimit));
}

// The same of the scene in the file named in that room, which goes with the call.
extern "C" [[clang::export_name("polymill_survey_file")]] const SurveyView* surveyFile(char* name,
                                                                                       std::uint32_t traceLimit) {
  return heldSurvey(polymill::survey(std::unique_ptr<char[]>(name).get(), traceLimit));
}

extern "C" [[clang::export_name("polymill_release_survey")]] void releaseSurvey(const SurveyView* view) {
  delete view->held;
}
