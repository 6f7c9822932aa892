#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "chunk_builder.h"
#include "mesh/mesh_types.h"

namespace polymill::test {

// A fresh folder for one test's files, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string path(const std::string& name) const { return (root_ / name).string(); }

 private:
  std::filesystem::path root_;
};

void writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);

// A C stream in memory's place: tests hand it out as the console and read back what was written.
class CapturedStream {
 public:
  CapturedStream() : file_(std::tmpfile()) {}
  ~CapturedStream() { std::fclose(file_); }
  CapturedStream(const CapturedStream&) = delete;
  CapturedStream& operator=(const CapturedStream&) = delete;

  std::FILE* get() const { return file_; }
  std::string text() const;

 private:
  std::FILE* file_;
};

// Runs the whole program on `arguments` (the words after its name).
struct RunResult {
  int status = 0;
  std::string console;
};
RunResult runProgram(const std::vector<std::string>& arguments);

// Runs the chunk walk alone on a scene.
struct WalkResult {
  std::string trace;
  MeshLists lists;
  std::vector<std::uint32_t> starts;  // where each visited chunk stands, in walk order
};
WalkResult walkScene(const Bytes& scene);

}  // namespace polymill::test
