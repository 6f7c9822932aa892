// Micro-benchmarks of the formatter, the walk and the writers.

#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cstdio>
#include <random>
#include <vector>

#include "chunk/chunk.h"
#include "chunk/chunk_kinds.h"
#include "chunk/float_text.h"
#include "chunk/mesh_walk.h"
#include "input/input_stream.h"
#include "output/byte_writer.h"
#include "output/mesh_writer.h"
#include "polymill/polymill.h"
#include "scenes.h"
#include "test_support.h"

namespace {

using namespace polymill;
using namespace polymill::test;

// Texture coordinates as a modeller writes them: mostly in [0, 1], some outside.
std::vector<std::uint32_t> mappingValues() {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(-0.25f, 1.25f);
  std::vector<std::uint32_t> values(1 << 20);
  for (std::uint32_t& value : values) {
    value = std::bit_cast<std::uint32_t>(unit(random));
  }
  return values;
}

void BM_FloatText(benchmark::State& state) {
  const std::vector<std::uint32_t> values = mappingValues();
  char out[kFloatTextRoom];
  for (auto _ : state) {
    for (const std::uint32_t value : values) {
      benchmark::DoNotOptimize(writeFloatText(value, out));
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_FloatText);

// The standard library's shortest-exact conversion at the same precision, for scale.
void BM_FloatTextStandardLibrary(benchmark::State& state) {
  const std::vector<std::uint32_t> values = mappingValues();
  char out[32];
  for (auto _ : state) {
    for (const std::uint32_t value : values) {
      benchmark::DoNotOptimize(
          std::to_chars(out, out + sizeof out, std::bit_cast<float>(value), std::chars_format::general, 6).ptr);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_FloatTextStandardLibrary);

// A scene of 20 objects of 40,000 vertices, faces and UVs each (about 20 MB).
Bytes largeScene() {
  std::mt19937 random(11);
  Bytes vertices = u16(40000), faces = u16(40000), uvs = u16(40000);
  for (std::uint32_t i = 0; i < 40000; ++i) {
    for (float v : {static_cast<float>(random() % 1000), 0.5f, 0.25f * static_cast<float>(i)}) {
      const Bytes b = f32(v);
      vertices.insert(vertices.end(), b.begin(), b.end());
    }
    for (std::uint16_t w : {static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(i + 1),
                            static_cast<std::uint16_t>(i + 2), std::uint16_t{7}}) {
      const Bytes b = u16(w);
      faces.insert(faces.end(), b.begin(), b.end());
    }
    for (float v : {static_cast<float>(random() % 4096) / 4096.0f, static_cast<float>(i % 977) / 977.0f}) {
      const Bytes b = f32(v);
      uvs.insert(uvs.end(), b.begin(), b.end());
    }
  }
  const Bytes object = chunk(
      OBJECT, {cstr("Object"), chunk(OBJECT_MESH, {chunk(MESH_VERTEX_LIST, {vertices}), chunk(MESH_MAPPING_LIST, {uvs}),
                                                   chunk(MESH_FACE_LIST, {faces})})});
  Bytes objects;
  for (int i = 0; i < 20; ++i) {
    objects.insert(objects.end(), object.begin(), object.end());
  }
  return chunk(MAIN, {chunk(EDIT3DS, {objects})});
}

void BM_Walk(benchmark::State& state) {
  const Bytes scene = largeScene();
  std::FILE* devNull = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    InputStream input;
    input.openBytes(scene);
    MeshLists lists(input);
    ByteWriter console(devNull);
    const ChunkChain chain(openRoot(input));
    benchmark::DoNotOptimize(walkChunks(*chain.root(), input, lists, console, nullptr));
  }
  std::fclose(devNull);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(scene.size()));
}
BENCHMARK(BM_Walk)->Unit(benchmark::kMillisecond);

void BM_WriteOutputs(benchmark::State& state) {
  constexpr std::uint32_t kRecords = 1000000;
  // A million records of each kind, side by side, as a scene holds its lists.
  Bytes records;
  records.reserve(std::size_t{kRecords} * 28);
  const auto append = [&](const Bytes& bytes) { records.insert(records.end(), bytes.begin(), bytes.end()); };
  for (std::uint32_t i = 0; i < kRecords; ++i) {
    append(cat({u32(i), u32(i ^ 0x80000000u), u32(i << 3)}));
  }
  for (std::uint32_t i = 0; i < kRecords; ++i) {
    append(cat({u16(static_cast<std::uint16_t>(i)), u16(static_cast<std::uint16_t>(i >> 4)), u16(3), u16(7)}));
  }
  for (std::uint32_t i = 0; i < kRecords; ++i) {
    append(cat({u32(i << 1), u32(i)}));
  }
  std::FILE* devNull = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    state.PauseTiming();  // the output phase empties the lists it writes
    InputStream input;
    input.openBytes(records);
    MeshLists lists(input);
    const bool appended = lists.vertices.appendFromScene(0, kRecords) &&
                          lists.faces.appendFromScene(std::uint64_t{12} * kRecords, kRecords) &&
                          lists.mapping.appendFromScene(std::uint64_t{20} * kRecords, kRecords);
    if (!appended) {
      state.SkipWithError("out of memory");
      return;
    }
    OutputFile output;
    output.open("/dev/null");
    ByteWriter console(devNull);
    state.ResumeTiming();
    benchmark::DoNotOptimize(writeOutputs(lists, output, {"/dev/null", "/dev/null", "/dev/null"}, console));
  }
  std::fclose(devNull);
  state.SetBytesProcessed(state.iterations() * 26 * 1000000);
}
BENCHMARK(BM_WriteOutputs)->Unit(benchmark::kMillisecond);

// The shipped example converted in memory, again and again on one thread: a
// small scene's cost is the call's own set-up.
void BM_ConvertExample(benchmark::State& state) {
  const Bytes scene = texturedScene();
  for (auto _ : state) {
    const Conversion result = convert(scene);
    if (result.status != 0) {
      state.SkipWithError("the example did not convert");
      return;
    }
    benchmark::DoNotOptimize(result.vertices->data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConvertExample)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
