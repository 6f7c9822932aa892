#include "mesh/object_index.h"

#include <bit>
#include <limits>
#include <string>

#include "platform/memory.h"

namespace polymill {

void ObjectIndex::open(bool named) {
  if (opened_ && !closed_.push_back(current_)) {
    return;  // out of budget: the run ends with the message, not with this index
  }
  current_ = Entry{};
  current_.nameStart = namesSize_;
  current_.named = named;
  opened_ = true;
}

ObjectIndex::Entry& ObjectIndex::current() {
  if (!opened_) {
    open(false);
  }
  return current_;
}

void ObjectIndex::openObject() { open(true); }

void ObjectIndex::nameByte(std::uint8_t byte) {
  if (names_.push_back(static_cast<char>(byte))) {
    ++namesSize_;
    ++current_.nameLength;
  }
}

void ObjectIndex::meshFound() { current().mesh = true; }

void ObjectIndex::verticesAdded(const BlockList<Vertex>& vertices, std::size_t count) {
  Entry& entry = current();
  if (entry.vertices == 0) {
    entry.min.fill(std::numeric_limits<float>::infinity());
    entry.max.fill(-std::numeric_limits<float>::infinity());
  }
  // Compared as floats, so that a NaN is neither smallest nor largest; of
  // equal values (0 and -0) the first met stays.
  vertices.visitLast(count, [&](const Vertex& vertex) {
    const std::array<float, 3> position = {std::bit_cast<float>(vertex.x.bits), std::bit_cast<float>(vertex.y.bits),
                                           std::bit_cast<float>(vertex.z.bits)};
    for (std::size_t axis = 0; axis < 3; ++axis) {
      if (position[axis] < entry.min[axis]) {
        entry.min[axis] = position[axis];
      }
      if (position[axis] > entry.max[axis]) {
        entry.max[axis] = position[axis];
      }
    }
  });
  entry.vertices += count;
}

void ObjectIndex::facesAdded(std::size_t count) { current().faces += count; }

void ObjectIndex::mappingAdded(std::size_t count) { current().mapping += count; }

bool ObjectIndex::claimHandOut() const {
  const std::uint64_t entries = closed_.size() + (opened_ ? 1 : 0);
  // The names are gathered in one string first, then copied into their objects.
  return platform::claim(entries * sizeof(Object) + 2 * namesSize_);
}

std::vector<Object> ObjectIndex::take() {
  std::string names;
  names.reserve(namesSize_);
  names_.drainSpans([&](std::span<const char> bytes) { names.append(bytes.data(), bytes.size()); });
  namesSize_ = 0;

  std::vector<Object> objects;
  std::uint64_t firstVertex = 0;
  std::uint64_t firstFace = 0;
  std::uint64_t firstMapping = 0;
  const auto add = [&](const Entry& entry) {
    Object& object = objects.emplace_back();
    if (entry.named) {
      object.name = names.substr(entry.nameStart, entry.nameLength);
    }
    object.mesh = entry.mesh;
    object.firstVertex = firstVertex;
    object.vertices = entry.vertices;
    object.firstFace = firstFace;
    object.faces = entry.faces;
    object.firstMapping = firstMapping;
    object.mapping = entry.mapping;
    if (entry.vertices > 0) {
      object.bounds = Bounds{entry.min, entry.max};
    }
    firstVertex += entry.vertices;
    firstFace += entry.faces;
    firstMapping += entry.mapping;
  };
  closed_.drain(add);
  if (opened_) {
    add(current_);
    opened_ = false;
  }
  return objects;
}

}  // namespace polymill
