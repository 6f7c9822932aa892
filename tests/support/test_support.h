#pragma once

#include <bit>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "chunk_builder.h"
#include "input/input_stream.h"
#include "mesh/mesh_types.h"
#include "output/mesh_writer.h"

namespace polymill::test {

// A fresh folder for one test's files, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The UTF-8 name of `name` (UTF-8 too) in the folder, as the program takes names.
  std::string path(const std::string& name) const;

 private:
  std::filesystem::path root_;
};

// A UTF-8 name as the file system library takes it, on every system.
std::filesystem::path fsPath(const std::string& utf8);

// Whole files by UTF-8 name.
void writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);

// A device on which every write fails for want of room (/dev/full), or null
// where the system has none: Windows, or a container that leaves it out.
const char* fullDevice();
inline constexpr const char* kNoFullDevice = "this system has no device that is always full (/dev/full)";

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

// The scene's bytes in a buffer of exactly their size, so that a memory checker
// sees any read past them.
class ExactBuffer {
 public:
  explicit ExactBuffer(const Bytes& bytes);
  std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_;
};

// A float's record form, and back, for values that pass through float variables unchanged (no NaNs).
inline FloatBits bitsOf(float value) { return {std::bit_cast<std::uint32_t>(value)}; }
inline float valueOf(FloatBits value) { return std::bit_cast<float>(value.bits); }

// The lists as the output phase reads them, drained into plain vectors.
struct ListContents {
  std::vector<Vertex> vertices;
  std::vector<Face> faces;
  std::vector<MapCoord> mapping;
  bool allRead = false;  // every record kept as where it lies was read again
};
ListContents drain(MeshLists& lists);

// Where the walk reads a scene from: memory, or a file read in blocks.
enum class WalkRoute { memory, file };

// Lists of records given one by one, as the output phase receives them: kept
// where they lie in a scene of their own, made of them when lists() is first
// called. Records of all three kinds may be given in any order.
class SceneLists {
 public:
  void add(const Vertex& vertex);
  void add(const Face& face);
  void add(const MapCoord& coord);
  MeshLists& lists();

 private:
  Bytes vertices_, faces_, mapping_, scene_;
  std::size_t counts_[3] = {};
  InputStream input_;
  std::optional<MeshLists> lists_;
};

// Runs the chunk walk alone on a scene by `route`, its trace shown as on a
// terminal when `terminal` is set.
struct WalkResult {
  std::string trace;
  ListContents lists;
  std::vector<std::uint32_t> starts;  // where each visited chunk stands, in walk order
};
WalkResult walkScene(const Bytes& scene, bool terminal = false, WalkRoute route = WalkRoute::memory);

// Runs the conversion of a scene held in memory into the named files.
RunResult convertInMemory(const Bytes& scene, const OutputTargets& outputs);

}  // namespace polymill::test
