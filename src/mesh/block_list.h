#pragma once

#include <algorithm>
#include <cstddef>
#include <new>
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
    if ((blocks_.empty() || blocks_.back().used == blocks_.back().capacity) && !grow()) {
      return false;
    }
    Block& last = blocks_.back();
    ::new (static_cast<void*>(last.items + last.used)) T(item);
    ++last.used;
    return true;
  }

  // Calls `visit` on every item in order and releases each block as soon as it
  // has been visited, leaving the list empty.
  template <typename Visit>
  void drain(Visit visit) {
    for (Block& block : blocks_) {
      for (std::size_t i = 0; i < block.used; ++i) {
        visit(block.items[i]);
      }
      releaseBlock(block);
    }
    blocks_.clear();
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

  // Out of line, so that the append loop around push_back keeps its registers.
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
};

}  // namespace polymill
