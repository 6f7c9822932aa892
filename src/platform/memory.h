#pragma once

// Memory: how much the process can really use, the budget of a run drawn from
// it, and large blocks that the system may back with huge pages.

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace polymill::platform {

// How many bytes this process can really take, from what the system says at
// the moment of asking: the smallest of its address-space and data limits, its
// control group's limit less what the group holds, and the memory the system has
// available (Linux); the job's limit and the memory that can still be
// committed (Windows); the physical memory (macOS); what is left of the 4 GiB
// and, where the host shows Linux's files (node), their figures too
// (WebAssembly). A figure that cannot be read does not count; with none,
// UINT64_MAX.
std::uint64_t memoryAvailable();

// The Linux part of it, read from the files under `root` ("/" on a real
// system): /proc/meminfo's MemAvailable plus SwapFree, and for each control
// group of /proc/self/cgroup with a memory limit, at its own level or above,
// that limit less its usage, the usage less the page cache the kernel would
// reclaim (cgroup v2 memory.max, memory.current and memory.stat's
// inactive_file under /sys/fs/cgroup, v1 memory.limit_in_bytes,
// memory.usage_in_bytes and memory.stat's total_inactive_file under
// /sys/fs/cgroup/memory). "max" and unreadable files do not count.
std::uint64_t linuxMemoryAvailable(const std::filesystem::path& root);

// The budget of one run: what everything that grows with the input (the mesh
// lists, the chain of chunk records, and what a conversion in memory hands
// out) may take together. While one is alive it is the budget that
// allocateClaimed and claim draw on, on its thread; without one, nothing is
// counted. Runs alive at the same time on several threads share one figure,
// what the process can use: the first run sets it from `bytes`, a later one
// lowers it to its own `bytes` if that is less, each claim is taken from
// what is left of it, and what a run claimed goes back when it ends. A budget
// taken inside another on the same thread holds no more than what that one
// has left.
class MemoryBudget {
 public:
  explicit MemoryBudget(std::uint64_t bytes);
  ~MemoryBudget();
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  // True once memory was asked for that the budget or the system did not give.
  bool exhausted() const { return exhausted_; }

 private:
  friend void* allocateClaimed(std::size_t bytes, std::size_t alignment);
  friend bool claim(std::uint64_t bytes);

  // Takes `footprint` bytes from what is left; false, and exhausted, when it does not hold them.
  bool take(std::uint64_t footprint);
  std::uint64_t left() const;

  MemoryBudget* outer_;
  std::uint64_t left_ = 0;     // for a budget inside another; the outermost draw on the process's
  std::uint64_t claimed_ = 0;  // taken from the process's, to go back
  bool exhausted_ = false;
};

// The one way what grows with the input gets memory: claimed from the run's
// budget (as the allocator rounds it), then allocated. Null when the budget
// does not hold it or the system refuses it; the budget is then exhausted.
// Nothing is thrown, so that growth stops the same way where the language has
// no exceptions (WebAssembly). Memory goes back with releaseClaimed.
void* allocateClaimed(std::size_t bytes, std::size_t alignment);
void releaseClaimed(void* memory, std::size_t alignment);

// Claims the room of memory that a standard container will take for itself
// (what a conversion in memory hands out): false, and the budget exhausted,
// when the budget does not hold it.
bool claim(std::uint64_t bytes);

// Asks the system to back a large, suitably aligned allocation with huge pages,
// where it has them; elsewhere it does nothing.
void adviseHugePages(void* memory, std::size_t size);

// How large the blocks of a growing list get, and whether the largest are
// aligned for huge pages. Natively a block is one huge page of 2 MiB. A
// WebAssembly module's memory has no pages of the system's to offer, its
// allocator pays for alignment with the memory it skips, and every growth of
// the memory costs the engine a garbage collection: there blocks grow to
// 32 MiB, unaligned.
#ifdef __wasm__
inline constexpr bool kHugePagesPossible = false;
inline constexpr std::size_t kLargestListBlock = std::size_t{32} << 20;
#else
inline constexpr bool kHugePagesPossible = true;
inline constexpr std::size_t kLargestListBlock = std::size_t{2} << 20;
#endif

}  // namespace polymill::platform
