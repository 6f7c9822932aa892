#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "output/byte_writer.h"

namespace polymill {

// Where one output file goes: the file of that name or, for a conversion in
// memory, bytes that opening creates (or empties) as it would the file. One
// given neither is no file at all.
struct OutputTarget {
  OutputTarget(const char* fileName = nullptr) : name(fileName) {}
  explicit OutputTarget(std::optional<std::vector<std::uint8_t>>& memory) : bytes(&memory) {}
  bool given() const { return name != nullptr || bytes != nullptr; }

  const char* name = nullptr;
  std::optional<std::vector<std::uint8_t>>* bytes = nullptr;
};

// The one binary output stream of a run, reopened on each output file in turn.
// Records are stored straight into its large buffer.
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file or empties an existing one; false when it cannot.
  bool open(const OutputTarget& target);
  bool isOpen() const { return open_; }

  // The file is about to receive `size` bytes: a file in memory takes their
  // room at once, claimed from the budget before (claimFilesInMemory).
  void expect(std::uint64_t size);

  // Room for one record of at most ByteWriter::kCapacity bytes, then how much of it was used.
  char* reserve(std::size_t size) { return writer_.reserve(size); }
  void commit(char* end) { writer_.commit(end); }

  // Closes the file; false when any byte written since open() did not reach it.
  // Closing a stream that is not open succeeds and does nothing.
  bool close();

 private:
  std::FILE* file_ = nullptr;                    // or
  std::vector<std::uint8_t>* memory_ = nullptr;  // a file in memory
  bool open_ = false;
  ByteWriter writer_;
};

}  // namespace polymill
