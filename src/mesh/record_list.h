#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>

#include "input/input_stream.h"
#include "mesh/block_list.h"
#include "platform/memory.h"

namespace polymill {

// How records of type T are stored in a scene: kBytes, and read(bytes), which
// assembles one from its little-endian bytes. Given for each record type.
template <typename T>
struct SceneLayout;

// What the lists of one scene have recorded of it, all lists together. Lists
// that keep where their records lie hold none of them, but lists that overlap
// one another, or run past the scene's end, can declare far more records
// than the scene has bytes, and a small scene could pour out files without
// end. A scene from a modeller has its lists side by side, so their records
// add up to no more than its own bytes: only records beyond those are claimed
// from the run's budget, as copies of them would take.
class SceneRecords {
 public:
  explicit SceneRecords(InputStream& scene) : scene_(scene) {}
  InputStream& scene() const { return scene_; }

  // Counts `bytes` more of recorded records; false when those beyond the
  // scene's own bytes do not fit in the budget.
  [[nodiscard]] bool record(std::uint64_t bytes) {
    const std::uint64_t extent = scene_.extent();
    const auto beyond = [&](std::uint64_t recorded) { return recorded > extent ? recorded - extent : 0; };
    const std::uint64_t before = beyond(recorded_);
    recorded_ += bytes;
    const std::uint64_t claimed = beyond(recorded_) - std::min(before, beyond(recorded_));
    return claimed == 0 || platform::claim(claimed);
  }

 private:
  InputStream& scene_;
  std::uint64_t recorded_ = 0;
};

// The records of one list, in the order they were appended. A list keeps
// only where each run of records lies in the scene, and reads them again from
// there when it is drained: a scene is never held twice, which for a large
// scene would be most of a run's memory and of the page faults that fill it.
template <typename T>
class RecordList {
 public:
  using Layout = SceneLayout<T>;

  explicit RecordList(SceneRecords& scene) : scene_(scene) {}

  // Records `count` records starting at `position` of the scene, once they
  // have been read; false when the run's memory budget holds no more (see
  // SceneRecords).
  [[nodiscard]] bool appendFromScene(std::uint64_t position, std::size_t count) {
    if (!scene_.record(std::uint64_t{count} * Layout::kBytes) || !runs_.push_back({position, count})) {
      return false;
    }
    size_ += count;
    return true;
  }

  std::size_t size() const { return size_; }

  // Calls `visit` on the records in order, a span at a time, leaving the list
  // empty; false when the scene could not be read again (a file cut short
  // since the walk), the records from there on not visited, or when it has
  // been written to since it was opened, so that the records visited, or the
  // walk that found them, may belong to another version of it.
  template <typename Visit>
  [[nodiscard]] bool drainSpans(Visit visit) {
    // A small list takes small pieces: fresh pages for large ones would cost a small scene more than its work.
    const std::size_t pieceRecords = std::min(kPieceRecords, size_);
    size_ = 0;
    const std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[pieceRecords * Layout::kBytes]);
    const std::unique_ptr<T[]> items(new T[pieceRecords]);
    bool read = true;
    runs_.drain([&](const SceneRun& run) {
      for (std::uint64_t done = 0; read && done < run.count; done += pieceRecords) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(pieceRecords, run.count - done));
        read = scene_.scene().readAgain(run.start + done * Layout::kBytes, {bytes.get(), piece * Layout::kBytes});
        for (std::size_t i = 0; read && i < piece; ++i) {
          items[i] = Layout::read(bytes.get() + i * Layout::kBytes);
        }
        if (read) {
          visit(std::span<const T>(items.get(), piece));
        }
      }
    });
    return read && scene_.scene().unchanged();
  }

  // The same, one record at a time.
  template <typename Visit>
  [[nodiscard]] bool drain(Visit visit) {
    return drainSpans([&](std::span<const T> items) {
      for (const T& item : items) {
        visit(item);
      }
    });
  }

 private:
  // Records read again at a time: enough to make each read worth a call.
  static constexpr std::size_t kPieceRecords = 8192;

  struct SceneRun {
    std::uint64_t start;
    std::uint64_t count;
  };

  SceneRecords& scene_;
  BlockList<SceneRun> runs_;
  std::size_t size_ = 0;
};

}  // namespace polymill
