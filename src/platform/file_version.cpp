#include "platform/file_version.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/types.h>
#endif

namespace polymill::platform {

#ifdef _WIN32

// The input is opened so that no one else may write it while it is open (see
// openFile), so this only backs that up. Windows keeps no change time here.
std::optional<FileVersion> versionOf(std::FILE* file) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))), &information)) {
    return std::nullopt;
  }
  const auto join = [](DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; };
  const std::uint64_t written =
      join(information.ftLastWriteTime.dwHighDateTime, information.ftLastWriteTime.dwLowDateTime);
  FileVersion version;
  version.size = join(information.nFileSizeHigh, information.nFileSizeLow);
  version.device = information.dwVolumeSerialNumber;
  version.inode = join(information.nFileIndexHigh, information.nFileIndexLow);
  version.modifiedSeconds = static_cast<std::int64_t>(written / 10'000'000);
  version.modifiedNanoseconds = static_cast<std::int64_t>(written % 10'000'000 * 100);
  return version;
}

#else

// Linux, the BSDs and WebAssembly (where the host fills in WASI's filestat)
// name the times st_mtim and st_ctim; macOS names them st_mtimespec and st_ctimespec.
std::optional<FileVersion> versionOf(std::FILE* file) {
  struct stat status {};
  if (::fstat(fileno(file), &status) != 0) {
    return std::nullopt;
  }
#ifdef __APPLE__
  const struct timespec& modified = status.st_mtimespec;
  const struct timespec& changed = status.st_ctimespec;
#else
  const struct timespec& modified = status.st_mtim;
  const struct timespec& changed = status.st_ctim;
#endif
  FileVersion version;
  version.size = static_cast<std::uint64_t>(status.st_size);
  version.device = static_cast<std::uint64_t>(status.st_dev);
  version.inode = static_cast<std::uint64_t>(status.st_ino);
  version.modifiedSeconds = static_cast<std::int64_t>(modified.tv_sec);
  version.modifiedNanoseconds = static_cast<std::int64_t>(modified.tv_nsec);
  version.changedSeconds = static_cast<std::int64_t>(changed.tv_sec);
  version.changedNanoseconds = static_cast<std::int64_t>(changed.tv_nsec);
  return version;
}

#endif

}  // namespace polymill::platform
