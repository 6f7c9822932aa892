// A scene whose lists outgrow memory: the run must end with its message and
// status, release everything and let no exception escape. Memory runs out on
// demand here: this test program replaces the allocation functions, so it is a
// program of its own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <optional>
#include <string>

#ifndef _WIN32
#include <unistd.h>

#include <csignal>
#include <thread>
#endif

#include "chunk/chunk_kinds.h"
#include "polymill/polymill.h"
#include "test_support.h"

#if defined(__GNUC__) && !defined(__clang__)
// These are the allocation functions themselves: GCC sees new's memory reach
// free() once they are inlined, and takes it for a mismatch.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

// Allocations of this size or more fail while it is set.
std::size_t failFrom = SIZE_MAX;

// Null when the size is refused or the system has no memory.
void* tryAllocate(std::size_t size, std::size_t alignment) {
  if (size >= failFrom) {
    return nullptr;
  }
#ifdef _WIN32
  return _aligned_malloc(size == 0 ? 1 : size, alignment);
#else
  void* memory = nullptr;
  posix_memalign(&memory, alignment < sizeof(void*) ? sizeof(void*) : alignment, size == 0 ? 1 : size);
  return memory;
#endif
}

void* allocate(std::size_t size, std::size_t alignment) {
  void* memory = tryAllocate(size, alignment);
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  return memory;
}

void release(void* memory) {
#ifdef _WIN32
  _aligned_free(memory);
#else
  std::free(memory);
#endif
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size, alignof(std::max_align_t)); }
void* operator new[](std::size_t size) { return allocate(size, alignof(std::max_align_t)); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return allocate(size, static_cast<std::size_t>(alignment));
}
// Lists grow through the variants that give null rather than throw.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return tryAllocate(size, alignof(std::max_align_t));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return tryAllocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* memory) noexcept { release(memory); }
void operator delete[](void* memory) noexcept { release(memory); }
void operator delete(void* memory, std::size_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { release(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { release(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { release(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { release(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { release(memory); }

namespace polymill::test {
namespace {

// Two full vertex lists: 1.5 MB of vertex file, in list blocks of up to 1 MiB.
Bytes twoFullVertexLists() {
  const Bytes vertex = vertexEntries({{1, 2, 3}});
  Bytes entries;
  for (int i = 0; i < 65535; ++i) {
    entries.insert(entries.end(), vertex.begin(), vertex.end());
  }
  const Bytes list = chunk(MESH_VERTEX_LIST, {u16(65535), entries});
  return chunk(MAIN, {list, list});
}

// A scene read through a pipe is read once, in order, so its lists hold
// copies of its records (a file's lists only say where they lie).
TEST(OutOfMemory, ListsThatOutgrowMemoryEndTheRunWithItsMessage) {
#ifdef _WIN32
  GTEST_SKIP() << "the scene goes through a pipe named under /dev/fd";
#else
  // The lists need blocks of a megabyte, which fail.
  TempDir folder;
  const std::string vertices = folder.path("v.bin");
  writeFile(vertices, {'o', 'l', 'd'});
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::signal(SIGPIPE, SIG_IGN);  // the run stops reading before the writer is done
  const Bytes scene = twoFullVertexLists();
  std::thread writer([&] {
    for (std::size_t sent = 0; sent < scene.size();) {
      const ssize_t wrote = write(pipeEnds[1], scene.data() + sent, scene.size() - sent);
      if (wrote <= 0) {
        break;
      }
      sent += static_cast<std::size_t>(wrote);
    }
    close(pipeEnds[1]);
  });

  failFrom = std::size_t{1} << 20;
  const RunResult run = runProgram({"/dev/fd/" + std::to_string(pipeEnds[0]), vertices, folder.path("f.bin")});
  failFrom = SIZE_MAX;
  close(pipeEnds[0]);
  writer.join();

  EXPECT_EQ(run.status, -1);
  // The window that holds a list read from the pipe needs a megabyte already.
  EXPECT_EQ(run.console,
            "\nMain Chunk found"
            "\nMesh Vertex List Found\nNumber of Vertices: 65535\n"
            "\nNot enough memory for the mesh lists\n");
  EXPECT_TRUE(readFile(vertices).empty());  // emptied at the start, as on every run
#endif
}

// Converted in memory, a vertex file that outgrows memory ends the run as
// lists that outgrow it do, and nothing is thrown at the caller.
TEST(OutOfMemory, OutputsInMemoryThatOutgrowItAreReported) {
  const Bytes scene = twoFullVertexLists();
  failFrom = std::size_t{5} << 18;  // the lists' blocks of 1 MiB fit; the vertex file's 1.5 MB of room does not
  const Conversion result = convert(scene);
  failFrom = SIZE_MAX;

  EXPECT_EQ(result.status, -1);
  EXPECT_TRUE(result.trace.ends_with("Number of Vertices: 65535\n\nNot enough memory for the mesh lists\n"))
      << result.trace;
  EXPECT_EQ(result.vertices, std::vector<std::uint8_t>{});
  EXPECT_EQ(result.faces, std::nullopt);
  EXPECT_TRUE(result.objects.empty());
}

}  // namespace
}  // namespace polymill::test
