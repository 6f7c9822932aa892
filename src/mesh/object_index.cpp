#include "mesh/object_index.h"

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

void ObjectIndex::verticesAdded(std::size_t count) { current().vertices += count; }

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
