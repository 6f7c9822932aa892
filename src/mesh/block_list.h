#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
#include <span>
#include <type_traits>
#include <vector>

#include "platform/memory.h"

namespace polymill {

// An append-only sequence kept in blocks that never move: growing copies
// nothing and never needs room for twice the contents. Blocks start small, so
// a small scene keeps a small footprint, and double up to the platform's
// largest list block (a huge page of 2 MiB natively); blocks of a huge page
// are aligned to it and offered to the system for huge pages, which saves the
// page faults that otherwise dominate filling large lists. New blocks are not
// cleared: every item is written once, when it is appended. Each block is
// claimed from the run's memory budget.
template <typename T>
class BlockList {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

 public:
  static constexpr std::size_t kFirstBlockBytes = std::size_t{64} << 10;
  static constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

  BlockList() = default;
  ~BlockList() { release(); }
  BlockList(const BlockList&) = delete;
  BlockList& operator=(const BlockList&) = delete;

  // Appends `item`; false, with nothing appended, when the list could not
  // grow within the run's memory budget.
  [[nodiscard]] bool push_back(const T& item) {
    return append(1, [&] { return item; });
  }

  // Appends `count` items, each the next result of `make()`; false, with the
  // items made so far appended, when the list could not grow. Items are made
  // straight into a block's room, a run at a time, so that the loop keeps
  // its place in registers.
  template <typename Make>
  [[nodiscard]] bool append(std::size_t count, Make make) {
    return appendRuns(count, [&](T* items, std::size_t run) {
      for (std::size_t i = 0; i < run; ++i) {
        ::new (static_cast<void*>(items + i)) T(make());
      }
    });
  }

  // The same, a run at a time: fill(items, run) makes `run` items in the
  // block's room at `items`, so that a reader can decode many at once.
  template <typename Fill>
  [[nodiscard]] bool appendRuns(std::size_t count, Fill fill) {
    while (count > 0) {
      if ((blocks_.empty() || blocks_.back().used == blocks_.back().capacity) && !grow()) {
        return false;
      }
      Block& last = blocks_.back();
      const std::size_t run = std::min(count, last.capacity - last.used);
      fill(last.items + last.used, run);
      last.used += run;
      size_ += run;
      count -= run;
    }
    return true;
  }

  std::size_t size() const { return size_; }

  // Calls `visit` on the items of each block in order, as one span, and
  // releases each block as soon as it has been visited, leaving the list empty.
  template <typename Visit>
  void drainSpans(Visit visit) {
    for (Block& block : blocks_) {
      visit(std::span<const T>(block.items, block.used));
      releaseBlock(block);
    }
    blocks_.clear();
    size_ = 0;
  }

  // The same, one item at a time.
  template <typename Visit>
  void drain(Visit visit) {
    drainSpans([&](std::span<const T> items) {
      for (const T& item : items) {
        visit(item);
      }
    });
  }

 private:
  struct Block {
    T* items = nullptr;
    std::size_t capacity = 0;  // items, kept beside the size so that appending needs no division
    std::size_t used = 0;
    std::size_t bytes = 0;
  };

  static std::size_t alignmentOf(std::size_t bytes) {
    return platform::kHugePagesPossible && bytes >= kHugePageBytes ? kHugePageBytes : alignof(T);
  }

  // Out of line, so that the append loops keep their registers.
  [[gnu::noinline]] bool grow() {
    const std::size_t bytes =
        blocks_.empty() ? kFirstBlockBytes : std::min(2 * blocks_.back().bytes, platform::kLargestListBlock);
    blocks_.reserve(blocks_.size() + 1);  // so that the push_back below cannot fail
    void* memory = platform::allocateClaimed(bytes, alignmentOf(bytes));
    if (memory == nullptr) {
      return false;
    }
    if (platform::kHugePagesPossible && bytes >= kHugePageBytes) {
      platform::adviseHugePages(memory, bytes);
    }
    blocks_.push_back({static_cast<T*>(memory), bytes / sizeof(T), 0, bytes});
    return true;
  }

  static void releaseBlock(Block& block) {
    platform::releaseClaimed(block.items, alignmentOf(block.bytes));
    block.items = nullptr;
  }

  void release() {
    for (Block& block : blocks_) {
      releaseBlock(block);
    }
  }

  std::vector<Block> blocks_;
  std::size_t size_ = 0;
};

}  // namespace polymill
