#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "mesh/block_list.h"
#include "mesh/mesh_types.h"
#include "polymill/polymill.h"

namespace polymill {

// The scene's objects as the walk meets them, and where their records lie in
// the lists. An entry opens at each object chunk; a list or mesh chunk met
// before any object opens one without a name. Each entry counts the records
// appended to each list while it was the latest, and bounds its vertices.
// Entries and names grow within the run's memory budget, as the lists do;
// what does not fit is left out, and the budget says so.
class ObjectIndex {
 public:
  // An object chunk: a named entry, whose name's bytes follow one by one.
  void openObject();
  void nameByte(std::uint8_t byte);

  void meshFound();
  // A vertex was read, for the bounds; a count of them is added after.
  void vertexRead(const Vertex& vertex) {
    // Compared as floats, so that a NaN is neither smallest nor largest; of
    // equal values (0 and -0) the first met stays.
    Entry& entry = current();
    const std::array<float, 3> position = {std::bit_cast<float>(vertex.x.bits), std::bit_cast<float>(vertex.y.bits),
                                           std::bit_cast<float>(vertex.z.bits)};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      entry.min[axis] = position[axis] < entry.min[axis] ? position[axis] : entry.min[axis];
      entry.max[axis] = position[axis] > entry.max[axis] ? position[axis] : entry.max[axis];
    }
  }
  // `count` records were just appended to the end of each list.
  void verticesAdded(std::size_t count);
  void facesAdded(std::size_t count);
  void mappingAdded(std::size_t count);

  // Claims from the run's budget the room that take() hands out; false, the
  // budget exhausted, when it does not hold it.
  bool claimHandOut() const;

  // The index in file order, each entry's first records counted from the
  // entries before it; leaves this one empty.
  std::vector<Object> take();

 private:
  static constexpr float kInfinity = std::numeric_limits<float>::infinity();

  struct Entry {
    std::uint64_t nameStart = 0;  // in names_
    std::uint64_t nameLength = 0;
    bool named = false;
    bool mesh = false;
    std::uint64_t vertices = 0;
    std::uint64_t faces = 0;
    std::uint64_t mapping = 0;
    std::array<float, 3> min = {kInfinity, kInfinity, kInfinity};  // meaningful once vertices > 0
    std::array<float, 3> max = {-kInfinity, -kInfinity, -kInfinity};
  };

  // The entry that lists and meshes count towards, opened without a name when none is.
  Entry& current();
  void open(bool named);

  BlockList<Entry> closed_;  // entries before the current one
  BlockList<char> names_;
  std::uint64_t namesSize_ = 0;
  Entry current_;
  bool opened_ = false;
};

}  // namespace polymill
