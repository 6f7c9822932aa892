// What the WebAssembly module offers JavaScript besides the program itself:
// the library's conversion of a scene in the module's memory. JavaScript
// places the scene in room the module gives, calls polymill_convert once and
// reads the result by the layout below; the instance is then let go, and its
// memory with it, so nothing is ever freed here.

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

struct Held {
  polymill::Conversion conversion;
  std::vector<ObjectView> objects;
  ResultView view;
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
  held->objects.reserve(held->conversion.objects.size());
  for (const polymill::Object& object : held->conversion.objects) {
    held->objects.push_back(viewOf(object));
  }
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
