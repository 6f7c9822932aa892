#pragma once

// Whether an open file is still the one that was opened: a scene read again
// after its walk must be the scene the walk read, and a modeller or a sync
// tool may rewrite it in between.

#include <cstdint>
#include <cstdio>
#include <optional>

namespace polymill::platform {

// What the system tells of an open file's contents without reading them.
// Writing to it changes the modification and change times (and usually the
// size); a file replaced under its name is another one, which the open file
// does not see. Two versions taken within one tick of the file system's clock
// (a few milliseconds on Linux) may look alike although a write came between.
struct FileVersion {
  std::uint64_t size = 0;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t modifiedSeconds = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedSeconds = 0;
  std::int64_t changedNanoseconds = 0;
  bool operator==(const FileVersion&) const = default;
};

// The open file's version, or nullopt when the system does not say.
std::optional<FileVersion> versionOf(std::FILE* file);

}  // namespace polymill::platform
