// Writes the fuzzer's seed corpus (the tests' scenes, whole and damaged) and a
// dictionary of the chunk ids: make_corpus CORPUS_DIR DICTIONARY_FILE

#include <cstdio>
#include <filesystem>
#include <string>

#include "chunk/chunk_kinds.h"
#include "scenes.h"
#include "test_support.h"

using namespace polymill;
using namespace polymill::test;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::puts("usage: make_corpus CORPUS_DIR DICTIONARY_FILE");
    return 1;
  }
  const std::filesystem::path corpus = argv[1];
  std::filesystem::create_directories(corpus);

  const Bytes textured = texturedScene();
  const Bytes seeds[] = {
      workedExample(),
      textured,
      Bytes(textured.begin(), textured.begin() + 300),
      chunk(MAIN,
            {chunk(EDIT3DS,
                   {chunk(OBJECT, {cstr(""), chunk(OBJECT_MESH,
                                                   {
                                                       chunk(MESH_FACE_LIST, {u16(1), faceEntries({{0, 1, 2, 7}}),
                                                                              chunk(0x4150, {u32(1)})}),
                                                       chunkWithLength(MESH_MAPPING_LIST, 8, {u16(65535)}),
                                                   })})})}),
      cat({chunkWithLength(MAIN, 3), chunkWithLength(0x0002, 0xFFFFFFFA)}),
  };
  int index = 0;
  for (const Bytes& seed : seeds) {
    writeFile((corpus / ("seed-" + std::to_string(index++))).string(), seed);
  }

  std::FILE* dictionary = std::fopen(argv[2], "w");
  if (dictionary == nullptr) {
    return 1;
  }
  for (unsigned id : {MAIN, EDIT3DS, OBJECT, OBJECT_MESH, MESH_VERTEX_LIST, MESH_FACE_LIST, MESH_MAPPING_LIST}) {
    std::fprintf(dictionary, "\"\\x%02X\\x%02X\"\n", id & 0xFF, id >> 8);
  }
  for (const char* length : {"\\x00\\x00\\x00\\x00", "\\xFF\\xFF\\xFF\\xFF", "\\x00\\x00\\x00\\x80", "\\xFF\\xFF"}) {
    std::fprintf(dictionary, "\"%s\"\n", length);
  }
  return std::fclose(dictionary) == 0 ? 0 : 1;
}
