#include "platform/platform.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#ifndef __wasi__
#include <sys/resource.h>

#include <csignal>
#endif
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif
#ifdef __APPLE__
#include <sys/sysctl.h>
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

std::FILE* openFile(const char* name, FileMode mode) {
  return _wfopen(wideOf(name).c_str(), mode == FileMode::read ? L"rb" : L"wb");
}

std::filesystem::path pathOf(const char* name) { return std::filesystem::path(wideOf(name)); }

bool seekFile(std::FILE* file, std::uint64_t position) {
  return _fseeki64(file, static_cast<long long>(position), SEEK_SET) == 0;
}

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

void adviseHugePages(void*, std::size_t) {}

std::vector<std::string> utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(utf8Of(argv[i]));
  }
  return arguments;
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

bool isTerminal(std::FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

// Windows raises no signal for either: the write fails.
void reportFailedWritesInsteadOfSignals() {}

std::uint64_t memoryAvailable() {
  std::uint64_t available = UINT64_MAX;
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (GlobalMemoryStatusEx(&status)) {
    // What may still be committed (physical memory and page file together), and address space.
    available = std::min<std::uint64_t>(status.ullAvailPageFile, status.ullAvailVirtual);
  }
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION job{};
  if (QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job, nullptr)) {
    if ((job.BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_PROCESS_MEMORY) != 0) {
      available = std::min<std::uint64_t>(available, job.ProcessMemoryLimit);
    }
    if ((job.BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_JOB_MEMORY) != 0) {
      available = std::min<std::uint64_t>(available, job.JobMemoryLimit);
    }
  }
  return available;
}

#else

std::FILE* openFile(const char* name, FileMode mode) { return std::fopen(name, mode == FileMode::read ? "rb" : "wb"); }

std::filesystem::path pathOf(const char* name) { return std::filesystem::path(name); }

bool seekFile(std::FILE* file, std::uint64_t position) {
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
}

std::filesystem::path executablePath() {
#ifdef __linux__
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
#else
  return {};
#endif
}

void adviseHugePages([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only advice: where huge pages are off, the memory works as before.
  madvise(memory, size, MADV_HUGEPAGE);
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

bool isTerminal(std::FILE* stream) { return isatty(fileno(stream)) == 1; }

#ifdef __wasi__

// WebAssembly raises no signals: a write that cannot be done fails.
void reportFailedWritesInsteadOfSignals() {}

// A 32-bit module's memory ends at 4 GiB, and what it has grown to so far is spoken for.
std::uint64_t memoryAvailable() {
  constexpr std::uint64_t kAddressSpace = std::uint64_t{1} << 32;
  constexpr std::uint64_t kWasmPage = 65536;
  return kAddressSpace - __builtin_wasm_memory_size(0) * kWasmPage;
}

#else

namespace {

std::uint64_t limitOf(int resource) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return UINT64_MAX;
  }
  return static_cast<std::uint64_t>(limit.rlim_cur);
}

}  // namespace

void reportFailedWritesInsteadOfSignals() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

std::uint64_t memoryAvailable() {
  std::uint64_t available = std::min(limitOf(RLIMIT_AS), limitOf(RLIMIT_DATA));
#ifdef __linux__
  available = std::min(available, linuxMemoryAvailable("/"));
#elif defined(__APPLE__)
  std::uint64_t physical = 0;
  std::size_t size = sizeof physical;
  if (sysctlbyname("hw.memsize", &physical, &size, nullptr, 0) == 0) {
    available = std::min(available, physical);
  }
#endif
  return available;
}

#endif  // __wasi__

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

namespace {

std::string textOf(const fs::path& file) {
  const std::u8string name = file.u8string();
  std::FILE* stream = openFile(std::string(name.begin(), name.end()).c_str(), FileMode::read);
  std::string text;
  if (stream != nullptr) {
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, stream)) > 0;) {
      text.append(block, got);
    }
    std::fclose(stream);
  }
  return text;
}

// The decimal number a text starts with, after blanks; none for "max" or anything else.
std::optional<std::uint64_t> leadingNumber(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (error != std::errc() || end == text.data() + start) {
    return std::nullopt;
  }
  return value;
}

// A /proc/meminfo field, given in kB.
std::optional<std::uint64_t> meminfoBytes(std::string_view meminfo, std::string_view field) {
  for (std::size_t at = meminfo.find(field); at != std::string_view::npos; at = meminfo.find(field, at + 1)) {
    if (at == 0 || meminfo[at - 1] == '\n') {
      const std::optional<std::uint64_t> kilobytes = leadingNumber(meminfo.substr(at + field.size()));
      if (kilobytes && *kilobytes <= UINT64_MAX / 1024) {
        return *kilobytes * 1024;
      }
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// The room a control group leaves: at its own level and every level above it,
// the limit less the usage, where a limit is set.
std::uint64_t cgroupRoom(const fs::path& hierarchy, std::string_view group, const char* limitFile,
                         const char* usageFile) {
  std::uint64_t room = UINT64_MAX;
  fs::path level = hierarchy;
  const auto consider = [&] {
    if (const std::optional<std::uint64_t> limit = leadingNumber(textOf(level / limitFile))) {
      const std::uint64_t usage = leadingNumber(textOf(level / usageFile)).value_or(0);
      room = std::min(room, *limit > usage ? *limit - usage : 0);
    }
  };
  consider();
  for (const fs::path& part : fs::path(std::string(group)).relative_path()) {
    if (part == "..") {
      break;
    }
    level /= part;
    consider();
  }
  return room;
}

// True when a comma-separated list of cgroup v1 controllers holds the memory controller.
bool namesMemory(std::string_view controllers) {
  while (!controllers.empty()) {
    const std::size_t comma = controllers.find(',');
    if (controllers.substr(0, comma) == "memory") {
      return true;
    }
    controllers.remove_prefix(comma == std::string_view::npos ? controllers.size() : comma + 1);
  }
  return false;
}

}  // namespace

std::uint64_t linuxMemoryAvailable(const std::filesystem::path& root) {
  std::uint64_t available = UINT64_MAX;
  const std::string meminfo = textOf(root / "proc/meminfo");
  if (const std::optional<std::uint64_t> memory = meminfoBytes(meminfo, "MemAvailable:")) {
    const std::uint64_t swap = meminfoBytes(meminfo, "SwapFree:").value_or(0);
    available = *memory + std::min(swap, UINT64_MAX - *memory);
  }
  // Lines of "hierarchy:controllers:path"; cgroup v2's has no controllers.
  const std::string groups = textOf(root / "proc/self/cgroup");
  std::string_view rest = groups;
  while (!rest.empty()) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos) {
      continue;
    }
    const std::string_view controllers = line.substr(first + 1, second - first - 1);
    const std::string_view group = line.substr(second + 1);
    if (controllers.empty()) {
      available = std::min(available, cgroupRoom(root / "sys/fs/cgroup", group, "memory.max", "memory.current"));
    } else if (namesMemory(controllers)) {
      available = std::min(available, cgroupRoom(root / "sys/fs/cgroup/memory", group, "memory.limit_in_bytes",
                                                 "memory.usage_in_bytes"));
    }
  }
  return available;
}

namespace {
thread_local MemoryBudget* currentBudget = nullptr;
}

// A budget taken inside another never holds more than what is left of it.
MemoryBudget::MemoryBudget(std::uint64_t bytes)
    : left_(currentBudget == nullptr ? bytes : std::min(bytes, currentBudget->left_)), outer_(currentBudget) {
  currentBudget = this;
}

MemoryBudget::~MemoryBudget() { currentBudget = outer_; }

void* allocateClaimed(std::size_t bytes, std::size_t alignment) {
  // The allocators of the systems we know add a size word and round up to 16 bytes.
  const std::size_t footprint = (bytes + sizeof(std::size_t) + 15) / 16 * 16;
  MemoryBudget* budget = currentBudget;
  if (budget != nullptr && budget->left_ < footprint) {
    budget->exhausted_ = true;
    return nullptr;
  }
  void* memory = alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__
                     ? ::operator new (bytes, std::align_val_t{alignment}, std::nothrow)
                     : ::operator new(bytes, std::nothrow);
  if (budget != nullptr) {
    budget->left_ -= footprint;
    budget->exhausted_ |= memory == nullptr;
  }
  return memory;
}

void releaseClaimed(void* memory, std::size_t alignment) {
  if (alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
    ::operator delete (memory, std::align_val_t{alignment});
  } else {
    ::operator delete(memory);
  }
}

}  // namespace polymill::platform
