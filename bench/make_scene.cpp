// Writes a large, realistic 3DS scene for benchmarks, the same bytes for the
// same arguments: make_scene OBJECTS VERTICES FACES UVS OUT.3ds
// Each object has a vertex list, a mapping list (none when UVS is 0), a mesh matrix and a face list
// followed by its material group and smoothing groups; around the objects stand
// a version chunk, a material and keyframer data.

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kHeader = 6;

// Chunk bytes are built block by block and flushed, so a 1 GB scene needs little memory.
class SceneFile {
 public:
  explicit SceneFile(const char* path) : file_(std::fopen(path, "wb")) {}
  ~SceneFile() {
    if (file_ != nullptr) {
      flush();
      std::fclose(file_);
    }
  }
  bool ok() const { return file_ != nullptr; }

  void u8(std::uint8_t v) {
    bytes_.push_back(v);
    if (bytes_.size() >= (1u << 20)) flush();
  }
  void u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
  }
  void f32(float v) { u32(std::bit_cast<std::uint32_t>(v)); }
  void header(std::uint16_t id, std::uint32_t length) {
    u16(id);
    u32(length);
  }
  void name(const std::string& text) {
    for (char c : text) u8(static_cast<std::uint8_t>(c));
    u8(0);
  }

 private:
  void flush() {
    std::fwrite(bytes_.data(), 1, bytes_.size(), file_);
    bytes_.clear();
  }
  std::FILE* file_;
  std::vector<std::uint8_t> bytes_;
};

// xorshift: deterministic and fast.
struct Random {
  std::uint32_t state = 2463534242u;
  std::uint32_t next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
};

struct Sizes {
  std::uint32_t vertices, faces, uvs;
  std::string objectName, materialName;

  std::uint32_t vertexList() const { return kHeader + 2 + 12 * vertices; }
  std::uint32_t mappingList() const { return uvs == 0 ? 0 : kHeader + 2 + 8 * uvs; }  // none without UVs
  std::uint32_t matrix() const { return kHeader + 48; }
  std::uint32_t materialGroup() const {
    return kHeader + static_cast<std::uint32_t>(materialName.size()) + 1 + 2 + 2 * faces;
  }
  std::uint32_t smoothing() const { return kHeader + 4 * faces; }
  std::uint32_t faceList() const { return kHeader + 2 + 8 * faces + materialGroup() + smoothing(); }
  std::uint32_t mesh() const { return kHeader + vertexList() + mappingList() + matrix() + faceList(); }
  std::uint32_t object() const { return kHeader + static_cast<std::uint32_t>(objectName.size()) + 1 + mesh(); }
};

void writeObject(SceneFile& out, const Sizes& s, Random& random, float offset) {
  out.header(0x4000, s.object());
  out.name(s.objectName);
  out.header(0x4100, s.mesh());
  out.header(0x4110, s.vertexList());
  out.u16(static_cast<std::uint16_t>(s.vertices));
  for (std::uint32_t i = 0; i < s.vertices; ++i) {
    out.f32(offset + 100.0f * random.unit());
    out.f32(-50.0f + 100.0f * random.unit());
    out.f32(0.001f * static_cast<float>(i));
  }
  if (s.uvs > 0) {
    out.header(0x4140, s.mappingList());
    out.u16(static_cast<std::uint16_t>(s.uvs));
    for (std::uint32_t i = 0; i < s.uvs; ++i) {
      out.f32(random.unit());
      out.f32(random.unit() * 1.5f - 0.25f);
    }
  }
  out.header(0x4160, s.matrix());
  for (int i = 0; i < 12; ++i) out.f32(i % 4 == i / 4 ? 1.0f : 0.0f);
  out.header(0x4120, s.faceList());
  out.u16(static_cast<std::uint16_t>(s.faces));
  for (std::uint32_t i = 0; i < s.faces; ++i) {
    for (int corner = 0; corner < 3; ++corner) out.u16(static_cast<std::uint16_t>(random.next() % s.vertices));
    out.u16(7);
  }
  out.header(0x4130, s.materialGroup());
  out.name(s.materialName);
  out.u16(static_cast<std::uint16_t>(s.faces));
  for (std::uint32_t i = 0; i < s.faces; ++i) out.u16(static_cast<std::uint16_t>(i));
  out.header(0x4150, s.smoothing());
  for (std::uint32_t i = 0; i < s.faces; ++i) out.u32(1u << (i % 32));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::puts("usage: make_scene OBJECTS VERTICES FACES UVS OUT.3ds (counts per object, at most 65535)");
    return 1;
  }
  const auto count = [&](int i) { return static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10)); };
  const std::uint32_t objects = count(1);
  const Sizes sizes{count(2), count(3), count(4), "Object", "Material"};
  if (sizes.vertices == 0 || sizes.vertices > 65535 || sizes.faces > 65535 || sizes.uvs > 65535) {
    std::puts("counts must be 1 to 65535 vertices, 0 to 65535 faces and UVs");
    return 1;
  }
  SceneFile out(argv[5]);
  if (!out.ok()) {
    std::printf("cannot write %s\n", argv[5]);
    return 1;
  }
  const std::uint32_t version = kHeader + 4;
  const std::uint32_t materialName = kHeader + static_cast<std::uint32_t>(sizes.materialName.size()) + 1;
  const std::uint32_t material = kHeader + materialName;
  const std::uint32_t keyframerHeader = kHeader + 2 + 9 + 4;
  const std::uint32_t keyframer = kHeader + keyframerHeader;
  const std::uint64_t editor = kHeader + version + material + std::uint64_t{objects} * sizes.object();
  const std::uint64_t main = kHeader + version + editor + keyframer;
  if (main > 0x7FFFFFFF) {
    std::puts("scene would pass 2 GiB, beyond what 3DS offsets address");
    return 1;
  }
  out.header(0x4D4D, static_cast<std::uint32_t>(main));
  out.header(0x0002, version);
  out.u32(3);
  out.header(0x3D3D, static_cast<std::uint32_t>(editor));
  out.header(0x3D3E, version);
  out.u32(3);
  out.header(0xAFFF, material);
  out.header(0xA000, materialName);
  out.name(sizes.materialName);
  Random random;
  for (std::uint32_t i = 0; i < objects; ++i) {
    writeObject(out, sizes, random, 100.0f * static_cast<float>(i));
  }
  out.header(0xB000, keyframer);
  out.header(0xB00A, keyframerHeader);
  out.u16(5);
  out.name("MAXSCENE");
  out.u32(100);
  return 0;
}
