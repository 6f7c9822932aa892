#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace polymill {

// An append-only sequence kept in fixed blocks that never move: growing copies
// nothing and never needs room for twice the contents. Blocks are large enough
// to be mapped on their own, so each one released while the list is drained
// goes back to the system at once, where the output files' pages can use it.
template <typename T>
class BlockList {
 public:
  static constexpr std::size_t kBlockItems = (std::size_t{256} << 10) / sizeof(T);

  void push_back(const T& item) {
    if (usedInLast_ == kBlockItems || blocks_.empty()) {
      blocks_.push_back(std::make_unique_for_overwrite<T[]>(kBlockItems));
      usedInLast_ = 0;
    }
    blocks_.back()[usedInLast_++] = item;
  }

  std::size_t size() const { return blocks_.empty() ? 0 : (blocks_.size() - 1) * kBlockItems + usedInLast_; }
  bool empty() const { return blocks_.empty(); }
  const T& operator[](std::size_t index) const { return blocks_[index / kBlockItems][index % kBlockItems]; }

  // Calls `visit` on every item in order and releases each block as soon as it
  // has been visited, leaving the list empty.
  template <typename Visit>
  void drain(Visit visit) {
    for (std::size_t block = 0; block < blocks_.size(); ++block) {
      visitBlock(block, visit);
      blocks_[block].reset();
    }
    blocks_.clear();
    usedInLast_ = 0;
  }

  // Calls `visit` on every item in order, a block at a time.
  template <typename Visit>
  void forEach(Visit visit) const {
    for (std::size_t block = 0; block < blocks_.size(); ++block) {
      visitBlock(block, visit);
    }
  }

 private:
  template <typename Visit>
  void visitBlock(std::size_t block, Visit& visit) const {
    const std::size_t used = block + 1 == blocks_.size() ? usedInLast_ : kBlockItems;
    for (std::size_t i = 0; i < used; ++i) {
      visit(blocks_[block][i]);
    }
  }

  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t usedInLast_ = 0;
};

}  // namespace polymill
