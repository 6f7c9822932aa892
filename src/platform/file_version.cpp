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
// give the times to the nanosecond; macOS is read to the second, through the
// names POSIX gives every system.
std::optional<FileVersion> versionOf(std::FILE* file) {
  struct stat status {};
  if (::fstat(fileno(file), &status) != 0) {
    return std::nullopt;
  }
  FileVersion version;
  version.size = static_cast<std::uint64_t>(status.st_size);
  version.device = static_cast<std::uint64_t>(status.st_dev);
  version.inode = static_cast<std::uint64_t>(status.st_ino);
  version.modifiedSeconds = static_cast<std::int64_t>(status.st_mtime);
  version.changedSeconds = static_cast<std::int64_t>(status.st_ctime);
#ifndef __APPLE__
  version.modifiedNanoseconds = static_cast<std::int64_t>(status.st_mtim.tv_nsec);
  version.changedNanoseconds = static_cast<std::int64_t>(status.st_ctim.tv_nsec);
#endif
  return version;
}

#endif

}  // namespace polymill::platform
