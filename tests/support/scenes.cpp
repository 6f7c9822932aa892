#include "scenes.h"

#include <string>

#include "chunk/chunk_kinds.h"

namespace polymill::test {

namespace {
constexpr std::uint16_t kVersion = 0x0002;
constexpr std::uint16_t kMeshVersion = 0x3D3E;
constexpr std::uint16_t kMaterial = 0xAFFF;
constexpr std::uint16_t kMaterialName = 0xA000;
constexpr std::uint16_t kMaterialGroup = 0x4130;
constexpr std::uint16_t kSmoothingGroups = 0x4150;
constexpr std::uint16_t kMeshMatrix = 0x4160;
constexpr std::uint16_t kKeyframer = 0xB000;

Bytes identityMatrix() { return vertexEntries({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}}); }
}  // namespace

Bytes overlappingLists(std::uint16_t kind, std::uint32_t count) {
  constexpr std::uint32_t kStride = 8;
  constexpr std::uint16_t kEntries = 65535;
  const std::uint32_t entrySize = kind == MESH_VERTEX_LIST ? 12 : 8;
  const std::uint32_t size = 6 + count * kStride + kEntries * entrySize;
  Bytes scene = cat({u16(MAIN), u32(size)});
  scene.reserve(size);
  const Bytes list = cat({u16(kind), u32(kStride), u16(kEntries)});
  for (std::uint32_t i = 0; i < count; ++i) {
    scene.insert(scene.end(), list.begin(), list.end());
  }
  scene.resize(size, 0x3F);  // every float from here on is 0.747059
  return scene;
}

Bytes emptyChunks(std::uint32_t count) {
  constexpr std::uint16_t kUnknown = 0x0001;
  const std::uint32_t size = 6 + 6 * count;
  Bytes scene = cat({u16(MAIN), u32(size)});
  scene.reserve(size);
  const Bytes empty = chunkWithLength(kUnknown, 6);
  for (std::uint32_t i = 0; i < count; ++i) {
    scene.insert(scene.end(), empty.begin(), empty.end());
  }
  return scene;
}

Bytes pyramidsWithoutMapping(int count) {
  Bytes objects;
  for (int i = 0; i < count; ++i) {
    const float x = 3.0f * static_cast<float>(i);
    const Bytes pyramid = chunk(
        OBJECT,
        {cstr("Pyramid " + std::to_string(i)),
         chunk(
             OBJECT_MESH,
             {chunk(MESH_VERTEX_LIST,
                    {u16(5), vertexEntries({{x, 0, 2}, {x - 1, -1, 0}, {x + 1, -1, 0}, {x + 1, 1, 0}, {x - 1, 1, 0}})}),
              chunk(MESH_FACE_LIST,
                    {u16(6),
                     faceEntries(
                         {{0, 1, 2, 7}, {0, 2, 3, 7}, {0, 3, 4, 7}, {0, 4, 1, 7}, {1, 3, 2, 7}, {1, 4, 3, 7}})})})});
    objects.insert(objects.end(), pyramid.begin(), pyramid.end());
  }
  return chunk(MAIN, {chunk(EDIT3DS, {objects})});
}

Bytes largeSheets(int count) {
  constexpr std::uint32_t kEntries = 65535;
  const auto append = [](Bytes& to, const Bytes& bytes) { to.insert(to.end(), bytes.begin(), bytes.end()); };
  Bytes objects;
  for (int i = 0; i < count; ++i) {
    Bytes vertices = u16(kEntries);
    Bytes faces = u16(kEntries);
    Bytes mapping = u16(kEntries);
    for (std::uint32_t n = 0; n < kEntries; ++n) {
      const float x = static_cast<float>(n % 256);
      const float y = static_cast<float>(n / 256);
      append(vertices, cat({f32(x), f32(y), f32(static_cast<float>(i) + static_cast<float>(n) * 1e-6f)}));
      const auto corner = [&](std::uint32_t step) { return u16(static_cast<std::uint16_t>((n + step) % kEntries)); };
      append(faces, cat({corner(0), corner(1), corner(256), u16(0)}));
      append(mapping, cat({f32(x / 255), f32(y / 255)}));
    }
    append(objects,
           chunk(OBJECT, {cstr("Sheet " + std::to_string(i)),
                          chunk(OBJECT_MESH, {chunk(MESH_VERTEX_LIST, {vertices}), chunk(MESH_FACE_LIST, {faces}),
                                              chunk(MESH_MAPPING_LIST, {mapping})})}));
    append(objects, chunk(kMaterial, {chunk(kMaterialName, {cstr("Paper")}), Bytes(100000, 0)}));
  }
  return chunk(MAIN, {chunk(EDIT3DS, {objects})});
}

Bytes facesBeyondTheirObject() {
  const Bytes triangle = chunk(
      OBJECT, {cstr("Triangle"),
               chunk(OBJECT_MESH, {chunk(MESH_VERTEX_LIST, {u16(3), vertexEntries({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})}),
                                   chunk(MESH_FACE_LIST, {u16(2), faceEntries({{0, 1, 2, 0}, {1, 2, 4, 0}})})})});
  const Bytes quad = chunk(
      OBJECT, {cstr("Quad"),
               chunk(OBJECT_MESH,
                     {chunk(MESH_VERTEX_LIST, {u16(4), vertexEntries({{2, 0, 0}, {3, 0, 0}, {3, 1, 0}, {2, 1, 0}})}),
                      chunk(MESH_FACE_LIST, {u16(2), faceEntries({{0, 1, 2, 0}, {0, 2, 9, 0}})}),
                      chunk(MESH_MAPPING_LIST, {u16(2), mappingEntries({{0, 0}, {1, 0}})})})});
  const Bytes points = chunk(
      OBJECT,
      {cstr("Points"), chunk(OBJECT_MESH, {chunk(MESH_VERTEX_LIST, {u16(2), vertexEntries({{0, 0, 1}, {0, 0, 2}})})})});
  return chunk(MAIN, {chunk(EDIT3DS, {triangle, quad, points})});
}

Bytes hostileScene() {
  return chunk(MAIN, {chunk(MESH_VERTEX_LIST, {u16(10), vertexEntries({{1, 2, 3}, {4, 5, 6}})}),
                      chunk(MESH_FACE_LIST, {u16(1), faceEntries({{0, 1, 2, 0}})}), chunkWithLength(0x0001, 0xFFFFFFF0),
                      chunk(MESH_FACE_LIST, {u16(1), faceEntries({{7, 7, 7, 0}})})});
}

Bytes objectNamed(std::string_view name) {
  return chunk(MAIN, {chunk(EDIT3DS, {chunk(OBJECT, {cstr(name), chunk(OBJECT_MESH)})})});
}

namespace {

Bytes boxObject(float x, float y, float z) {
  const Bytes corners =
      vertexEntries({{0, 0, 0}, {x, 0, 0}, {x, y, 0}, {0, y, 0}, {0, 0, z}, {x, 0, z}, {x, y, z}, {0, y, z}});
  const Bytes sides = faceEntries({{0, 2, 1, 7},
                                   {0, 3, 2, 7},
                                   {4, 5, 6, 7},
                                   {4, 6, 7, 7},
                                   {0, 1, 5, 7},
                                   {0, 5, 4, 7},
                                   {1, 2, 6, 7},
                                   {1, 6, 5, 7},
                                   {2, 3, 7, 7},
                                   {2, 7, 6, 7},
                                   {3, 0, 4, 7},
                                   {3, 4, 7, 7}});
  return chunk(OBJECT, {cstr("Box"), chunk(OBJECT_MESH, {chunk(MESH_VERTEX_LIST, {u16(8), corners}),
                                                         chunk(MESH_FACE_LIST, {u16(12), sides})})});
}

}  // namespace

Bytes boxScene(float x, float y, float z) { return chunk(MAIN, {chunk(EDIT3DS, {boxObject(x, y, z)})}); }

Bytes boxWithLightAndCamera() {
  constexpr std::uint16_t kLight = 0x4600;
  constexpr std::uint16_t kCamera = 0x4700;
  const Bytes light = chunk(OBJECT, {cstr("Light01"), chunk(kLight, {f32(5), f32(-5), f32(8)})});
  const Bytes camera = chunk(
      OBJECT, {cstr("Camera01"), chunk(kCamera, {f32(10), f32(-10), f32(5), f32(0), f32(0), f32(0), f32(0), f32(45)})});
  return chunk(MAIN, {chunk(EDIT3DS, {boxObject(1, 2, 3), light, camera})});
}

Bytes workedExample() {
  return chunk(
      MAIN,
      {
          chunkWithLength(kVersion, 10, {u32(3)}),
          chunk(
              EDIT3DS,
              {chunk(OBJECT,
                     {
                         cstr("A"),
                         chunk(OBJECT_MESH,
                               {
                                   chunk(MESH_VERTEX_LIST, {u16(3), vertexEntries({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}})}),
                                   chunk(MESH_FACE_LIST, {u16(1), faceEntries({{0, 1, 2, 7}})}),
                                   chunk(MESH_MAPPING_LIST, {u16(3), mappingEntries({{0, 0}, {1, 0}, {0, 1}})}),
                               }),
                     })}),
      });
}

Bytes texturedScene() {
  const Bytes cube = chunk(
      OBJECT, {
                  cstr("Crate"),
                  chunk(OBJECT_MESH,
                        {
                            chunk(MESH_VERTEX_LIST, {u16(8), vertexEntries({{-1, -1, -1},
                                                                            {1, -1, -1},
                                                                            {1, 1, -1},
                                                                            {-1, 1, -1},
                                                                            {-1, -1, 1},
                                                                            {1, -1, 1},
                                                                            {1, 1, 1},
                                                                            {-1, 1, 1}})}),
                            chunk(MESH_MAPPING_LIST, {u16(8), mappingEntries({{0, 0},
                                                                              {1, 0},
                                                                              {1, 1},
                                                                              {0, 1},
                                                                              {0.25f, 0.75f},
                                                                              {0.5f, -0.125f},
                                                                              {1e-5f, 2e6f},
                                                                              {-0.0f, 3.5f}})}),
                            chunk(kMeshMatrix, {identityMatrix()}),
                            chunk(MESH_FACE_LIST,
                                  {u16(12),
                                   faceEntries({{0, 2, 1, 7},
                                                {0, 3, 2, 7},
                                                {4, 5, 6, 7},
                                                {4, 6, 7, 7},
                                                {0, 1, 5, 3},
                                                {0, 5, 4, 3},
                                                {2, 3, 7, 3},
                                                {2, 7, 6, 3},
                                                {1, 2, 6, 6},
                                                {1, 6, 5, 6},
                                                {0, 4, 7, 5},
                                                {0, 7, 3, 5}}),
                                   chunk(kMaterialGroup, {cstr("Wood"), u16(2), u16(0), u16(1)}),
                                   chunk(kSmoothingGroups, {u32(1), u32(1), u32(2), u32(2), u32(4), u32(4), u32(8),
                                                            u32(8), u32(16), u32(16), u32(32), u32(32)})}),
                        }),
              });
  const Bytes pyramid = chunk(
      OBJECT,
      {
          cstr("Pyramid"),
          chunk(OBJECT_MESH,
                {
                    chunk(MESH_VERTEX_LIST,
                          {u16(5), vertexEntries({{0, 0, 2}, {-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}})}),
                    chunk(MESH_FACE_LIST,
                          {u16(6),
                           faceEntries(
                               {{0, 1, 2, 7}, {0, 2, 3, 7}, {0, 3, 4, 7}, {0, 4, 1, 7}, {1, 3, 2, 7}, {1, 4, 3, 7}})}),
                    chunk(MESH_MAPPING_LIST, {u16(5), mappingEntries({{0.5f, 1}, {0, 0}, {1, 0}, {0, 0}, {1, 0}})}),
                    chunk(kMeshMatrix, {identityMatrix()}),
                }),
      });
  return chunk(MAIN, {
                         chunk(kVersion, {u32(3)}),
                         chunk(EDIT3DS,
                               {
                                   chunk(kMeshVersion, {u32(3)}),
                                   chunk(kMaterial, {chunk(kMaterialName, {cstr("Wood")})}),
                                   cube,
                                   pyramid,
                               }),
                         chunk(kKeyframer, {chunk(0xB00A, {u16(5), cstr("MAXSCENE"), u32(100)})}),
                     });
}

}  // namespace polymill::test
