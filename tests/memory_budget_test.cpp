#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "chunk/chunk_kinds.h"
#include "platform/memory.h"
#include "polymill/polymill.h"
#include "scenes.h"
#include "test_support.h"

namespace polymill::test {
namespace {

using platform::linuxMemoryAvailable;

// A stand-in for the root of a Linux system, holding only the files a test writes.
class SystemView : public ::testing::Test {
 protected:
  void write(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(fsPath(root_.path(name)).parent_path());
    writeFile(root_.path(name), Bytes(text.begin(), text.end()));
  }
  std::uint64_t available() const { return linuxMemoryAvailable(fsPath(root_.path(""))); }

  TempDir root_;
};

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

TEST_F(SystemView, NothingReadableSetsNoLimit) {
  EXPECT_EQ(available(), UINT64_MAX);
  write("proc/meminfo", "MemTotal: 1000 kB\nSwapFree: 5 kB\n");  // no MemAvailable: no figure
  write("proc/self/cgroup", "garbage\n\n0::\n");
  EXPECT_EQ(available(), UINT64_MAX);
}

TEST_F(SystemView, AvailableMemoryIsMemAvailablePlusFreeSwap) {
  write("proc/meminfo",
        "MemTotal:       24000000 kB\nMemFree:          100000 kB\nMemAvailable:     262144 kB\n"
        "SwapTotal:        2048 kB\nSwapFree:          1024 kB\n");
  EXPECT_EQ(available(), 256 * kMiB + kMiB);
  write("proc/meminfo", "MemAvailable: 262144 kB\n");
  EXPECT_EQ(available(), 256 * kMiB);
}

TEST_F(SystemView, CgroupV2LimitLessUsageAtItsLevelOrAbove) {
  write("proc/self/cgroup", "0::/service/run\n");
  write("sys/fs/cgroup/service/run/memory.max", "max\n");
  write("sys/fs/cgroup/service/run/memory.current", "123\n");
  EXPECT_EQ(available(), UINT64_MAX);  // "max" is no limit
  write("sys/fs/cgroup/service/memory.max", "268435456\n");
  write("sys/fs/cgroup/service/memory.current", "16777216\n");
  EXPECT_EQ(available(), 240 * kMiB);
  write("sys/fs/cgroup/service/run/memory.max", "134217728\n");
  EXPECT_EQ(available(), 128 * kMiB - 123);
  write("sys/fs/cgroup/service/run/memory.current", "200000000\n");  // over its limit: no room
  EXPECT_EQ(available(), 0u);
}

TEST_F(SystemView, CgroupV1MemoryLineAmongSeveral) {
  write("proc/self/cgroup",
        "12:cpu,cpuacct:/elsewhere\n4:memory:/process_api/217b\n9:name=systemd:/\n1:blkio:/\n0::/\n");
  write("sys/fs/cgroup/memory/memory.limit_in_bytes", "9223372036854771712\n");  // the root's "unlimited"
  write("sys/fs/cgroup/memory/memory.usage_in_bytes", "1738436608\n");
  write("sys/fs/cgroup/memory/process_api/217b/memory.limit_in_bytes", "536870912\n");
  write("sys/fs/cgroup/memory/process_api/217b/memory.usage_in_bytes", "268435456\n");
  write("sys/fs/cgroup/cpu/elsewhere/memory.limit_in_bytes", "1\n");  // not the memory controller's
  EXPECT_EQ(available(), 256 * kMiB);
  // The smallest figure counts.
  write("proc/meminfo", "MemAvailable: 102400 kB\nSwapFree: 0 kB\n");
  EXPECT_EQ(available(), 100 * kMiB);
}

// A group that has written files holds their pages, which the kernel gives
// back at once when a program asks: a group full of page cache still has room.
TEST_F(SystemView, PageCacheNotLatelyUsedIsRoomInEitherVersion) {
  struct Case {
    const char* cgroup;
    const char* folder;
    const char* limitFile;
    const char* usageFile;
    const char* stat;
    std::uint64_t room;
  };
  const Case cases[] = {
      {"0::/build\n", "sys/fs/cgroup/build/", "memory.max", "memory.current",
       "anon 4194304\nfile 62914560\nactive_file 8388608\ninactive_file 58720256\n", 60 * kMiB},
      {"4:memory:/build\n", "sys/fs/cgroup/memory/build/", "memory.limit_in_bytes", "memory.usage_in_bytes",
       "inactive_file 1048576\ntotal_rss 4194304\ntotal_inactive_file 58720256\n", 60 * kMiB},
      // No stat, or one whose figure is larger than the usage, which it may be for a moment.
      {"0::/build\n", "sys/fs/cgroup/build/", "memory.max", "memory.current", "", 4 * kMiB},
      {"0::/build\n", "sys/fs/cgroup/build/", "memory.max", "memory.current", "inactive_file 99999999999\n", 64 * kMiB},
  };
  for (const Case& c : cases) {
    const TempDir system;
    const auto put = [&](const std::string& name, const std::string& text) {
      std::filesystem::create_directories(fsPath(system.path(name)).parent_path());
      writeFile(system.path(name), Bytes(text.begin(), text.end()));
    };
    put("proc/self/cgroup", c.cgroup);
    put(std::string(c.folder) + c.limitFile, "67108864\n");
    put(std::string(c.folder) + c.usageFile, "62914560\n");
    put(std::string(c.folder) + "memory.stat", c.stat);
    EXPECT_EQ(linuxMemoryAvailable(fsPath(system.path(""))), c.room) << c.cgroup << c.stat;
  }
}

TEST(MemoryBudget, AllocationsBeyondTheBudgetAreRefusedAndExhaustIt) {
  constexpr std::size_t kOneKiB = 1024 - sizeof(std::size_t);  // with the allocator's size word
  std::vector<void*> taken;
  const auto take = [&](std::size_t bytes) {
    void* memory = platform::allocateClaimed(bytes, alignof(std::max_align_t));
    if (memory != nullptr) {
      taken.push_back(memory);
    }
    return memory != nullptr;
  };
  {
    const platform::MemoryBudget outer(3 * 1024);
    EXPECT_TRUE(take(kOneKiB));
    {
      const platform::MemoryBudget inner(UINT64_MAX);  // holds no more than the 2 KiB left outside
      EXPECT_FALSE(take(3 * kOneKiB));
      EXPECT_TRUE(inner.exhausted());
      EXPECT_TRUE(take(kOneKiB));
      EXPECT_TRUE(take(kOneKiB));
      EXPECT_FALSE(take(1));
    }
    EXPECT_FALSE(outer.exhausted());
    EXPECT_TRUE(take(kOneKiB));
    EXPECT_TRUE(take(kOneKiB));
    EXPECT_FALSE(take(1));
    EXPECT_TRUE(outer.exhausted());
  }
  for (void* memory : taken) {
    platform::releaseClaimed(memory, alignof(std::max_align_t));
  }
  // Without a budget nothing is counted, and alignment is kept.
  void* block = platform::allocateClaimed(kMiB << 6, 2 * kMiB);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % (2 * kMiB), 0u);
  platform::releaseClaimed(block, 2 * kMiB);
}

class BudgetedRun : public ::testing::Test {
 protected:
  RunResult runWithin(std::uint64_t budget, const Bytes& scene) {
    writeFile(in_, scene);
    writeFile(vertices_, {'o', 'l', 'd'});
    writeFile(faces_, {'o', 'l', 'd'});
    const platform::MemoryBudget limit(budget);
    return runProgram({in_, vertices_, faces_, mapping_});
  }
  void expectOutOfMemory(const RunResult& run) {
    EXPECT_EQ(run.status, -1);
    EXPECT_TRUE(run.console.ends_with("\nNot enough memory for the mesh lists\n")) << run.console.substr(0, 200);
    EXPECT_TRUE(readFile(vertices_).empty());
    EXPECT_EQ(readFile(faces_), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(std::filesystem::exists(fsPath(mapping_)));
  }

  TempDir folder_;
  std::string in_ = folder_.path("scene.3ds");
  std::string vertices_ = folder_.path("v");
  std::string faces_ = folder_.path("f");
  std::string mapping_ = folder_.path("m");
};

TEST_F(BudgetedRun, ListsThatOutgrowTheBudgetEndTheRunWithTheMemoryMessage) {
  // 40 lists of 65535 vertices want 31 MB.
  const RunResult run = runWithin(16 * kMiB, overlappingLists(MESH_VERTEX_LIST, 40));
  expectOutOfMemory(run);
  EXPECT_TRUE(run.console.starts_with("\nMain Chunk found\nMesh Vertex List Found\nNumber of Vertices: 65535\n"));
}

TEST_F(BudgetedRun, AChainThatOutgrowsTheBudgetEndsTheRunWithTheMemoryMessage) {
  // 500,000 chunk records want about 24 MB; they hold no list at all.
  const RunResult run = runWithin(8 * kMiB, emptyChunks(500000));
  expectOutOfMemory(run);
  EXPECT_EQ(run.console, "\nMain Chunk found\nNot enough memory for the mesh lists\n");
}

TEST_F(BudgetedRun, ASceneThatFitsConvertsAsWithoutABudget) {
  const Bytes scene = overlappingLists(MESH_VERTEX_LIST, 3);
  const RunResult free = runWithin(UINT64_MAX, scene);
  const Bytes expected = readFile(vertices_);
  const RunResult budgeted = runWithin(4 * kMiB, scene);
  EXPECT_EQ(budgeted.status, 0);
  EXPECT_EQ(budgeted.console, free.console);
  EXPECT_EQ(readFile(vertices_), expected);
  EXPECT_EQ(expected.size(), 3u * 65535 * 12);
}

// Calls on several threads share what the process can use: a call that finds
// the room taken by another ends with the message; alone, it converts.
TEST(SharedBudget, CallsOnSeveralThreadsDrawOnOneFigure) {
  const Bytes scene = overlappingLists(MESH_VERTEX_LIST, 5);  // 3.9 MB of lists, and as much of vertex file
  const auto convertOnAThread = [&] {
    Conversion result{};
    std::thread([&] { result = convert(scene); }).join();
    return result;
  };
  const Conversion alone = convertOnAThread();
  ASSERT_EQ(alone.status, 0);
  {
    const platform::MemoryBudget process(64 * kMiB);  // the figure a first call set
    ASSERT_TRUE(platform::claim(60 * kMiB));          // and most of it held by that call
    const Conversion squeezed = convertOnAThread();
    EXPECT_EQ(squeezed.status, -1);
    EXPECT_TRUE(squeezed.trace.ends_with("\nNot enough memory for the mesh lists\n"));
  }
  {
    // Three at once where two fit: each converts exactly or ends with the message.
    const platform::MemoryBudget process(20 * kMiB);
    std::vector<Conversion> results(3);
    std::vector<std::thread> threads;
    for (Conversion& result : results) {
      threads.emplace_back([&] { result = convert(scene); });
    }
    for (std::thread& thread : threads) {
      thread.join();
    }
    for (const Conversion& result : results) {
      if (result.status == 0) {
        EXPECT_EQ(result.vertices, alone.vertices);
        EXPECT_EQ(result.trace, alone.trace);
      } else {
        EXPECT_TRUE(result.trace.ends_with("\nNot enough memory for the mesh lists\n"));
      }
    }
  }
  EXPECT_EQ(convertOnAThread().status, 0);  // calls one after another are independent
}

}  // namespace
}  // namespace polymill::test
