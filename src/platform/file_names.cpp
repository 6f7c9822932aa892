#include "platform/file_names.h"

#include <algorithm>
#include <optional>
#include <system_error>

#ifdef _WIN32
#include <share.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#endif
#ifdef __wasi__
#include <wasi/api.h>
#endif

namespace polymill::platform {

namespace fs = std::filesystem;

#ifdef _WIN32

namespace {

std::wstring wideOf(const char* utf8) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (size <= 0) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), size);
  wide.pop_back();  // the terminating zero
  return wide;
}

std::string utf8Of(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) {
    return {};
  }
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

}  // namespace

// A file opened for reading may not be written by anyone else while it is
// open: a scene read again after its walk stays the scene the walk read.
std::FILE* openFile(const char* name, FileMode mode) {
  return mode == FileMode::read ? _wfsopen(wideOf(name).c_str(), L"rb", _SH_DENYWR)
                                : _wfopen(wideOf(name).c_str(), L"wb");
}

std::filesystem::path pathOf(const char* name) { return std::filesystem::path(wideOf(name)); }

bool replaceFile(const char* from, const char* to) {
  return MoveFileExW(wideOf(from).c_str(), wideOf(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void removeFile(const char* name) { _wremove(wideOf(name).c_str()); }

std::filesystem::path executablePath() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) {
      return {};
    }
    if (length < name.size()) {
      name.resize(length);
      return std::filesystem::path(name);
    }
    name.resize(name.size() * 2);  // cut short: try again with more room
  }
}

Utf8Arguments::Utf8Arguments(int argc, wchar_t** argv) {
  for (int i = 0; i < argc; ++i) {
    words_.push_back(utf8Of(argv[i]));
  }
  for (const std::string& word : words_) {
    pointers_.push_back(word.c_str());
  }
}

namespace {

// NTFS and FAT ignore case, as Windows compares it.
bool sameFileName(const fs::path&, const fs::path& first, const fs::path& second) {
  return CompareStringOrdinal(first.c_str(), -1, second.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool fileExists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

bool sameExistingFile(const fs::path& first, const fs::path& second) {
  std::error_code error;
  return fs::equivalent(first, second, error);
}

std::optional<fs::path> linkTarget(const fs::path& path) {
  std::error_code error;
  if (!fs::is_symlink(fs::symlink_status(path, error))) {
    return std::nullopt;
  }
  fs::path target = fs::read_symlink(path, error);
  return error ? std::nullopt : std::optional<fs::path>(target);
}

}  // namespace

bool isFolder(const char* name) {
  std::error_code error;
  return fs::is_directory(pathOf(name), error);
}

// Asked of the open file: device names such as NUL or COM1 are no files in any
// folder, and the file system library does not know them.
bool isRegularOrAbsent(const char* name) {
  const HANDLE file = CreateFileW(wideOf(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const bool regular = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &information) &&
                       (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  CloseHandle(file);
  return regular;
}

#else

std::FILE* openFile(const char* name, FileMode mode) { return std::fopen(name, mode == FileMode::read ? "rb" : "wb"); }

std::filesystem::path pathOf(const char* name) { return std::filesystem::path(name); }

bool replaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

void removeFile(const char* name) { std::remove(name); }

std::filesystem::path executablePath() {
#ifdef __linux__
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
#elif defined(__wasi__)
  // A module is no file of the system's: its host names where it lies, if it
  // will, as the first word of the command line, absolute.
  __wasi_size_t count = 0;
  __wasi_size_t size = 0;
  if (__wasi_args_sizes_get(&count, &size) != 0 || count == 0) {
    return {};
  }
  std::vector<char*> words(count);
  std::string text(size, '\0');
  if (__wasi_args_get(reinterpret_cast<std::uint8_t**>(words.data()), reinterpret_cast<std::uint8_t*>(text.data())) !=
      0) {
    return {};
  }
  const fs::path program(words[0]);
  return program.is_absolute() ? program : fs::path();
#else
  return {};
#endif
}

namespace {

bool sameFileName([[maybe_unused]] const fs::path& folder, const fs::path& first, const fs::path& second) {
  if (first == second) {
    return true;
  }
#ifdef __APPLE__
  // APFS and HFS+ ignore case unless formatted otherwise.
  if (pathconf(folder.c_str(), _PC_CASE_SENSITIVE) == 0) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    const std::string a = first.native(), b = second.native();
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(static_cast<unsigned char>(x)) == lower(y); });
  }
#endif
  return false;
}

// Asked of the system directly: WebAssembly's standard library has no file
// system operations.
bool fileExists(const fs::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

bool sameExistingFile(const fs::path& first, const fs::path& second) {
  struct stat a {};
  struct stat b {};
  return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

std::optional<fs::path> linkTarget(const fs::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
    return std::nullopt;
  }
  std::string target(PATH_MAX, '\0');
  const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
  if (length < 0) {
    return std::nullopt;
  }
  target.resize(static_cast<std::size_t>(length));
  return fs::path(target);
}

}  // namespace

bool isFolder(const char* name) {
  struct stat status {};
  return ::stat(name, &status) == 0 && S_ISDIR(status.st_mode);
}

bool isRegularOrAbsent(const char* name) {
  struct stat status {};
  if (::stat(name, &status) != 0) {
    return errno == ENOENT || errno == ENOTDIR;
  }
  return S_ISREG(status.st_mode);
}

#endif

namespace {

// Where a write to `path` lands: a symbolic link that leads to no file yet is
// followed to the name it would create.
fs::path creationTarget(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    const std::optional<fs::path> target = linkTarget(path);
    if (!target) {
      break;
    }
    path = target->is_absolute() ? *target : path.parent_path() / *target;
  }
  return path;
}

fs::path folderOf(const fs::path& path) { return path.has_parent_path() ? path.parent_path() : fs::path("."); }

}  // namespace

bool sameFile(const char* first, const char* second) {
  const fs::path a = pathOf(first);
  const fs::path b = pathOf(second);
  if (sameExistingFile(a, b)) {
    return true;
  }
  if (fileExists(a) || fileExists(b)) {
    return false;
  }
  // Neither is there yet: one file when they would be created in one folder under one name.
  const fs::path createdA = creationTarget(a);
  const fs::path createdB = creationTarget(b);
  const fs::path folder = folderOf(createdA);
  return sameExistingFile(folder, folderOf(createdB)) && sameFileName(folder, createdA.filename(), createdB.filename());
}

}  // namespace polymill::platform
