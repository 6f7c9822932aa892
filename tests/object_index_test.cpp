#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/objects_json.h"
#include "chunk/chunk_kinds.h"
#include "platform/memory.h"
#include "polymill/polymill.h"
#include "scenes.h"
#include "test_support.h"

namespace polymill::test {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
const std::uint32_t kNaN = 0x7FC00000;
const std::uint32_t kSignalingNaN = 0x7F800001;

// name, mesh, first and count in each file, bounds
Object entry(std::optional<std::string> name, bool mesh, std::array<std::uint64_t, 6> at,
             std::optional<Bounds> bounds = std::nullopt) {
  return {std::move(name), mesh, at[0], at[1], at[2], at[3], at[4], at[5], bounds};
}

Bytes mesh(std::initializer_list<Bytes> lists) { return chunk(OBJECT_MESH, lists); }
Bytes object(std::string_view name, std::initializer_list<Bytes> inner) {
  Bytes bytes = cat({cstr(name)});
  for (const Bytes& part : inner) {
    bytes = cat({bytes, part});
  }
  return chunk(OBJECT, {bytes});
}
Bytes vertices(std::initializer_list<Xyz> list) {
  return chunk(MESH_VERTEX_LIST, {u16(static_cast<std::uint16_t>(list.size())), vertexEntries(list)});
}
Bytes faces(std::uint16_t count) {
  Bytes entries;
  for (std::uint16_t i = 0; i < count; ++i) {
    entries = cat({entries, faceEntries({{0, 1, 2, 0}})});
  }
  return chunk(MESH_FACE_LIST, {u16(count), entries});
}
Bytes mapping(std::uint16_t count) {
  Bytes entries;
  for (std::uint16_t i = 0; i < count; ++i) {
    entries = cat({entries, mappingEntries({{0.5f, 0.5f}})});
  }
  return chunk(MESH_MAPPING_LIST, {u16(count), entries});
}
Bytes scene(std::initializer_list<Bytes> inEditor) { return chunk(MAIN, {chunk(EDIT3DS, inEditor)}); }

struct IndexCase {
  const char* name;
  Bytes scene;
  std::vector<Object> expected;
};

std::vector<IndexCase> indexCases() {
  const Bytes textured = texturedScene();
  const Bytes trickyName = cstr("fake\nMesh Face List Found\nNumber of Faces: 99\n");
  return {
      {"several objects, counted on from the ones before",
       scene({object("A", {mesh({vertices({{0, 0, 0}, {1, 2, 3}}), faces(1), mapping(2)})}),
              object("B", {mesh({vertices({{-1, 5, 0.5f}}), faces(3), vertices({{4, -6, 0}})})})}),
       {entry("A", true, {0, 2, 0, 1, 0, 2}, Bounds{{0, 0, 0}, {1, 2, 3}}),
        entry("B", true, {2, 2, 1, 3, 2, 0}, Bounds{{-1, -6, 0}, {4, 5, 0.5f}})}},
      {"lists before any object open an entry without a name",
       chunk(MAIN, {vertices({{1, 1, 1}}), mesh({faces(2)}), chunk(EDIT3DS, {object("Late", {mapping(1)})})}),
       {entry(std::nullopt, true, {0, 1, 0, 2, 0, 0}, Bounds{{1, 1, 1}, {1, 1, 1}}),
        entry("Late", false, {1, 0, 2, 0, 0, 1})}},
      {"lights and cameras are objects without a mesh",
       boxWithLightAndCamera(),
       {entry("Box", true, {0, 8, 0, 12, 0, 0}, Bounds{{0, 0, 0}, {1, 2, 3}}),
        entry("Light01", false, {8, 0, 12, 0, 0, 0}), entry("Camera01", false, {8, 0, 12, 0, 0, 0})}},
      {"a name is its bytes, whatever words it holds",
       chunk(MAIN, {chunk(OBJECT, {trickyName, mesh({faces(1)})}), object("", {})}),
       {entry("fake\nMesh Face List Found\nNumber of Faces: 99\n", true, {0, 0, 0, 1, 0, 0}),
        entry("", false, {0, 0, 1, 0, 0, 0})}},
      {"NaNs are no bound; the first of 0 and -0 stays",
       scene({object("N", {chunk(MESH_VERTEX_LIST, {u16(3), u32(kNaN), f32(-0.0f), f32(kInf), f32(2),
                                                    u32(kSignalingNaN), f32(-kInf), f32(-1), f32(0), u32(kNaN)})})}),
       {entry("N", false, {0, 3, 0, 0, 0, 0}, Bounds{{-1, -0.0f, -kInf}, {2, -0.0f, kInf}})}},
      {"a vertex list whose count runs past its chunk reads on after it",
       chunk(MAIN, {chunkWithLength(MESH_VERTEX_LIST, 20, {u16(2), vertexEntries({{1, 2, 3}, {7, 8, 9}})})}),
       {entry(std::nullopt, false, {0, 2, 0, 0, 0, 0}, Bounds{{1, 2, 3}, {7, 8, 9}})}},
      {"a scene cut short inside a face list's count keeps what was read",
       Bytes(textured.begin(), textured.begin() + 300),
       {entry("Crate", true, {0, 8, 0, 0, 0, 8}, Bounds{{-1, -1, -1}, {1, 1, 1}})}},
      {"a scene without objects", chunk(MAIN, {chunk(EDIT3DS)}), {}},
      {"not a scene", {'t', 'e', 'x', 't'}, {}},
  };
}

bool sameFloat(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

void expectSameIndex(const std::vector<Object>& actual, const std::vector<Object>& expected, const char* name) {
  ASSERT_EQ(actual.size(), expected.size()) << name;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    const Object& a = actual[i];
    const Object& e = expected[i];
    EXPECT_EQ(a.name, e.name) << name << ", entry " << i;
    EXPECT_EQ(a.mesh, e.mesh) << name << ", entry " << i;
    EXPECT_EQ((std::array{a.firstVertex, a.vertices, a.firstFace, a.faces, a.firstMapping, a.mapping}),
              (std::array{e.firstVertex, e.vertices, e.firstFace, e.faces, e.firstMapping, e.mapping}))
        << name << ", entry " << i;
    ASSERT_EQ(a.bounds.has_value(), e.bounds.has_value()) << name << ", entry " << i;
    for (std::size_t axis = 0; a.bounds && axis < 3; ++axis) {
      EXPECT_TRUE(sameFloat(a.bounds->min[axis], e.bounds->min[axis])) << name << ", entry " << i << ", min " << axis;
      EXPECT_TRUE(sameFloat(a.bounds->max[axis], e.bounds->max[axis])) << name << ", entry " << i << ", max " << axis;
    }
  }
}

TEST(ObjectIndex, EachObjectsRecordsAndBoundsAsTheWalkMetThem) {
  for (const IndexCase& test : indexCases()) {
    const Conversion result = convert(test.scene);
    expectSameIndex(result.objects, test.expected, test.name);
    // The counts add up to each file's records.
    if (result.status == 0 && !result.objects.empty()) {
      const Object& last = result.objects.back();
      EXPECT_EQ(last.firstVertex + last.vertices, result.vertices->size() / 12) << test.name;
      EXPECT_EQ(last.firstFace + last.faces, result.faces->size() / 6) << test.name;
      EXPECT_EQ(last.firstMapping + last.mapping, result.mapping->size() / 8) << test.name;
    }
  }
}

TEST(ObjectIndex, GrowsWithinTheMemoryBudget) {
  Bytes objects;
  for (int i = 0; i < 20000; ++i) {
    objects = cat({objects, object("", {})});
  }
  const Bytes manyObjects = scene({objects});
  ASSERT_EQ(convert(manyObjects).objects.size(), 20000U);

  TempDir folder;
  const std::string in = folder.path("scene.3ds");
  writeFile(in, manyObjects);
  const platform::MemoryBudget little(std::size_t{4} << 20);  // the chunk records fit, the index does not
  const Conversion result = convert(manyObjects);
  EXPECT_EQ(result.status, -1);
  EXPECT_TRUE(result.trace.ends_with("\nNot enough memory for the mesh lists\n"));
  EXPECT_TRUE(result.objects.empty());
  EXPECT_EQ(runProgram({in, folder.path("v"), folder.path("f")}).status, 0);
}

TEST(ObjectsJson, WrittenAsJavaScriptWritesIt) {
  const std::vector<Object> objects = {entry(std::string("A\x01\"\\\n\x7f\xC3\xA9\xFF", 9), true, {0, 2, 0, 1, 0, 0},
                                             Bounds{{-0.0f, 0.1f, -kInf}, {1e21f, 1.5e-7f, 3}}),
                                       entry(std::nullopt, false, {2, 0, 1, 0, 0, 0})};
  EXPECT_EQ(objectsJson(objects),
            "[\n {\n  \"name\": \"A\\u0001\\\"\\\\\\n\x7f\xC3\xA9\xEF\xBF\xBD\",\n  \"mesh\": true,\n"
            "  \"firstVertex\": 0,\n  \"vertices\": 2,\n  \"firstFace\": 0,\n  \"faces\": 1,\n"
            "  \"firstMapping\": 0,\n  \"mapping\": 0,\n  \"bounds\": {\n   \"min\": [\n    0,\n"
            "    0.10000000149011612,\n    null\n   ],\n   \"max\": [\n    1.0000000200408773e+21,\n"
            "    1.500000053056283e-7,\n    3\n   ]\n  }\n },\n {\n  \"name\": null,\n  \"mesh\": false,\n"
            "  \"firstVertex\": 2,\n  \"vertices\": 0,\n  \"firstFace\": 1,\n  \"faces\": 0,\n"
            "  \"firstMapping\": 0,\n  \"mapping\": 0,\n  \"bounds\": null\n }\n]\n");
  EXPECT_EQ(objectsJson({}), "[]\n");
}

TEST(ObjectsJson, NumbersInJavaScriptsForm) {
  const std::pair<double, const char*> cases[] = {
      {1, "1"},
      {-0.25, "-0.25"},
      {123456789012345680000.0, "123456789012345680000"},
      {1e21, "1e+21"},
      {0.000001, "0.000001"},
      {0.0000001, "1e-7"},
      {1.401298464324817e-45, "1.401298464324817e-45"},
      {3.4028234663852886e38, "3.4028234663852886e+38"},
      {10.062499046325684, "10.062499046325684"},
      {65535, "65535"},
  };
  for (const auto& [value, text] : cases) {
    EXPECT_EQ(javaScriptNumber(value), text) << text;
  }
}

TEST(ObjectsJson, IllFormedUtf8BecomesReplacementsAsABrowserDecodes) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"\xE2\x82\xAC \xF0\x9F\x98\x80", "\xE2\x82\xAC \xF0\x9F\x98\x80"},  // well-formed: as it is
      {"\xFF", "\xEF\xBF\xBD"},
      {"\xC3(", "\xEF\xBF\xBD("},                                // a lead byte without its continuation
      {"\xE2\x82(", "\xEF\xBF\xBD("},                            // one U+FFFD for the stretch that began well
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate: each byte alone
      {"\xF0\x9F\x98", "\xEF\xBF\xBD"},                          // cut short at the end
      {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},                  // an overlong form
  };
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(wellFormedUtf8(bytes), text);
  }
}

}  // namespace
}  // namespace polymill::test
