#include "test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "app/driver.h"
#include "chunk/chunk.h"
#include "chunk/mesh_walk.h"
#include "input/input_stream.h"
#include "output/byte_writer.h"

namespace polymill::test {

TempDir::TempDir() {
  std::random_device seed;
  const auto base = std::filesystem::temp_directory_path();
  do {
    root_ = base / ("polymill-test-" + std::to_string(seed()));
  } while (!std::filesystem::create_directory(root_));
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(root_, ignored);
}

std::string TempDir::path(const std::string& name) const {
  const std::u8string utf8 = (root_ / fsPath(name)).u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::filesystem::path fsPath(const std::string& utf8) { return std::u8string(utf8.begin(), utf8.end()); }

void writeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    throw std::runtime_error("cannot write test file " + path);
  }
}

Bytes readFile(const std::string& path) {
  std::ifstream in(fsPath(path), std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read test file " + path);
  }
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const char* fullDevice() {
#ifdef _WIN32
  return nullptr;
#else
  std::error_code error;
  return std::filesystem::is_character_file("/dev/full", error) ? "/dev/full" : nullptr;
#endif
}

std::string CapturedStream::text() const {
  std::fflush(file_);
  std::rewind(file_);
  std::string all;
  char block[4096];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file_)) > 0;) {
    all.append(block, got);
  }
  return all;
}

RunResult runProgram(const std::vector<std::string>& arguments) {
  std::vector<const char*> words;
  std::transform(arguments.begin(), arguments.end(), std::back_inserter(words),
                 [](const std::string& word) { return word.c_str(); });
  CapturedStream console;
  RunResult result;
  result.status = run(words, console.get());
  result.console = console.text();
  return result;
}

ExactBuffer::ExactBuffer(const Bytes& bytes) : data_(new std::uint8_t[bytes.size()]), size_(bytes.size()) {
  std::copy(bytes.begin(), bytes.end(), data_.get());
}

ListContents drain(MeshLists& lists) {
  ListContents contents;
  const bool vertices = lists.vertices.drain([&](const Vertex& vertex) { contents.vertices.push_back(vertex); });
  const bool faces = lists.faces.drain([&](const Face& face) { contents.faces.push_back(face); });
  const bool mapping = lists.mapping.drain([&](const MapCoord& coord) { contents.mapping.push_back(coord); });
  contents.allRead = vertices && faces && mapping;
  return contents;
}

WalkResult walkScene(const Bytes& scene, bool terminal, WalkRoute route) {
  const ExactBuffer buffer(scene);
  const TempDir folder;
  InputStream input;
  if (route == WalkRoute::file) {
    writeFile(folder.path("scene.3ds"), scene);
    input.openFile(folder.path("scene.3ds").c_str());
  } else {
    input.openBytes(buffer.bytes());
  }
  CapturedStream consoleStream;
  WalkResult result;
  const ChunkChain chain(openRoot(input));
  MeshLists lists(input);
  {
    ByteWriter console(consoleStream.get(), terminal);
    const Chunk* last = walkChunks(*chain.root(), input, lists, console, nullptr);
    for (const Chunk* record = last; record != nullptr; record = record->predecessor) {
      result.starts.push_back(record->start);
    }
    std::reverse(result.starts.begin(), result.starts.end());
  }
  result.trace = consoleStream.text();
  result.lists = drain(lists);
  return result;
}

namespace {

void appendTo(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

}  // namespace

void SceneLists::add(const Vertex& vertex) {
  appendTo(vertices_, cat({u32(vertex.x.bits), u32(vertex.y.bits), u32(vertex.z.bits)}));
  ++counts_[0];
}

void SceneLists::add(const Face& face) {
  appendTo(faces_, cat({u16(face.a), u16(face.b), u16(face.c), u16(face.flags)}));
  ++counts_[1];
}

void SceneLists::add(const MapCoord& coord) {
  appendTo(mapping_, cat({u32(coord.s.bits), u32(coord.t.bits)}));
  ++counts_[2];
}

MeshLists& SceneLists::lists() {
  if (!lists_) {
    scene_ = cat({vertices_, faces_, mapping_});
    input_.openBytes(scene_);
    lists_.emplace(input_);
    // Outside a run's budget nothing is claimed, so every record is kept.
    const bool kept = lists_->vertices.appendFromScene(0, counts_[0]) &&
                      lists_->faces.appendFromScene(vertices_.size(), counts_[1]) &&
                      lists_->mapping.appendFromScene(vertices_.size() + faces_.size(), counts_[2]);
    static_cast<void>(kept);
  }
  return *lists_;
}

RunResult convertInMemory(const Bytes& scene, const OutputTargets& outputs) {
  const ExactBuffer buffer(scene);
  CapturedStream console;
  RunResult result;
  result.status = convertScene(buffer.bytes(), outputs, console.get());
  result.console = console.text();
  return result;
}

}  // namespace polymill::test
