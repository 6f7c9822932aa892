#include "platform/memory.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_names.h"

#ifdef _WIN32
#include <windows.h>
#elif !defined(__wasi__)
#include <sys/resource.h>
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

// Windows' limits on a process are its job's: they are read with the rest.
std::uint64_t processLimit() { return UINT64_MAX; }

std::uint64_t systemMemoryAvailable() {
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

}  // namespace

void adviseHugePages(void*, std::size_t) {}

#else

void adviseHugePages([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only advice: where huge pages are off, the memory works as before.
  madvise(memory, size, MADV_HUGEPAGE);
#endif
}

#ifdef __wasi__

// A 32-bit module's memory ends at 4 GiB, and what it has grown to so far is
// spoken for. Under node the host's files show the system's view as they do
// natively (on Linux); in a browser there are none, and the 4 GiB alone count.
namespace {

std::uint64_t processLimit() {
  constexpr std::uint64_t kAddressSpace = std::uint64_t{1} << 32;
  constexpr std::uint64_t kWasmPage = 65536;
  return kAddressSpace - __builtin_wasm_memory_size(0) * kWasmPage;
}

std::uint64_t systemMemoryAvailable() { return linuxMemoryAvailable("/"); }

}  // namespace

#else

namespace {

std::uint64_t limitOf(int resource) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return UINT64_MAX;
  }
  return static_cast<std::uint64_t>(limit.rlim_cur);
}

std::uint64_t processLimit() { return std::min(limitOf(RLIMIT_AS), limitOf(RLIMIT_DATA)); }

std::uint64_t systemMemoryAvailable() {
  std::uint64_t available = UINT64_MAX;
#ifdef __linux__
  available = linuxMemoryAvailable("/");
#elif defined(__APPLE__)
  std::size_t size = sizeof available;
  if (sysctlbyname("hw.memsize", &available, &size, nullptr, 0) != 0) {
    available = UINT64_MAX;
  }
#endif
  return available;
}

}  // namespace

#endif  // __wasi__

#endif

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

// A field of a control group's memory.stat ("name value" lines), or 0.
std::uint64_t statField(std::string_view stat, std::string_view field) {
  for (std::size_t at = stat.find(field); at != std::string_view::npos; at = stat.find(field, at + 1)) {
    const std::size_t end = at + field.size();
    if ((at == 0 || stat[at - 1] == '\n') && end < stat.size() && stat[end] == ' ') {
      return leadingNumber(stat.substr(end)).value_or(0);
    }
  }
  return 0;
}

// The files that tell a control group's memory, in each version of the interface.
struct CgroupFiles {
  const char* limit;
  const char* usage;
  const char* inactiveFile;  // the field of memory.stat for its page cache not lately used
};
constexpr CgroupFiles kCgroupV2 = {"memory.max", "memory.current", "inactive_file"};
constexpr CgroupFiles kCgroupV1 = {"memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file"};

// The room a control group leaves: at its own level and every level above it,
// where a limit is set, the limit less the usage. The usage counts the page
// cache of every file written or read in the group, which the kernel takes
// back the moment a program asks for memory: the inactive part of it is room,
// as for docker stats and the kernel's own MemAvailable.
std::uint64_t cgroupRoom(const fs::path& hierarchy, std::string_view group, const CgroupFiles& files) {
  std::uint64_t room = UINT64_MAX;
  fs::path level = hierarchy;
  const auto consider = [&] {
    if (const std::optional<std::uint64_t> limit = leadingNumber(textOf(level / files.limit))) {
      const std::uint64_t usage = leadingNumber(textOf(level / files.usage)).value_or(0);
      const std::uint64_t held = usage - std::min(usage, statField(textOf(level / "memory.stat"), files.inactiveFile));
      room = std::min(room, *limit > held ? *limit - held : 0);
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
      available = std::min(available, cgroupRoom(root / "sys/fs/cgroup", group, kCgroupV2));
    } else if (namesMemory(controllers)) {
      available = std::min(available, cgroupRoom(root / "sys/fs/cgroup/memory", group, kCgroupV1));
    }
  }
  return available;
}

namespace {

// The system's figures take a dozen file reads or system calls to learn, more
// than a small scene's whole conversion: calls in quick succession share one
// reading while it is fresh. What the system hands out meanwhile is what each
// run's fixed margin is for; the process's own limits are asked every time.
constexpr std::int64_t kFreshNanoseconds = 10'000'000;
std::atomic<std::int64_t> systemFigureTime{0};
std::atomic<std::uint64_t> systemFigure{0};

std::uint64_t recentSystemMemoryAvailable() {
  const std::int64_t now =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
  const std::int64_t readAt = systemFigureTime.load(std::memory_order_acquire);
  if (readAt != 0 && now - readAt < kFreshNanoseconds) {
    return systemFigure.load(std::memory_order_relaxed);
  }
  const std::uint64_t figure = systemMemoryAvailable();
  systemFigure.store(figure, std::memory_order_relaxed);
  systemFigureTime.store(now, std::memory_order_release);
  return figure;
}

}  // namespace

std::uint64_t memoryAvailable() { return std::min(processLimit(), recentSystemMemoryAvailable()); }

namespace {

thread_local MemoryBudget* currentBudget = nullptr;

// What the runs alive at the same time, on every thread, have left to claim.
struct ProcessBudget {
  std::atomic_flag busy;  // clear from the start; held for a few instructions at a time
  std::uint64_t left = 0;
  int runs = 0;
};
ProcessBudget processBudget;

class ProcessBudgetLock {
 public:
  ProcessBudgetLock() {
    while (processBudget.busy.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~ProcessBudgetLock() { processBudget.busy.clear(std::memory_order_release); }
  ProcessBudgetLock(const ProcessBudgetLock&) = delete;
  ProcessBudgetLock& operator=(const ProcessBudgetLock&) = delete;
};

// What an allocation takes: the allocators of the systems we know add a size word and round up to 16 bytes.
std::uint64_t footprintOf(std::uint64_t bytes) { return (bytes + sizeof(std::size_t) + 15) / 16 * 16; }

}  // namespace

MemoryBudget::MemoryBudget(std::uint64_t bytes) : outer_(currentBudget) {
  if (outer_ != nullptr) {
    left_ = std::min(bytes, outer_->left());
  } else {
    const ProcessBudgetLock lock;
    processBudget.left = processBudget.runs == 0 ? bytes : std::min(processBudget.left, bytes);
    ++processBudget.runs;
  }
  currentBudget = this;
}

MemoryBudget::~MemoryBudget() {
  currentBudget = outer_;
  if (outer_ == nullptr) {
    const ProcessBudgetLock lock;
    processBudget.left += claimed_;
    --processBudget.runs;
  }
}

std::uint64_t MemoryBudget::left() const {
  if (outer_ != nullptr) {
    return left_;
  }
  const ProcessBudgetLock lock;
  return processBudget.left;
}

bool MemoryBudget::take(std::uint64_t footprint) {
  bool taken = false;
  if (outer_ != nullptr) {
    taken = left_ >= footprint;
    left_ -= taken ? footprint : 0;
  } else {
    const ProcessBudgetLock lock;
    taken = processBudget.left >= footprint;
    processBudget.left -= taken ? footprint : 0;
    claimed_ += taken ? footprint : 0;
  }
  exhausted_ |= !taken;
  return taken;
}

bool claim(std::uint64_t bytes) { return currentBudget == nullptr || currentBudget->take(footprintOf(bytes)); }

void* allocateClaimed(std::size_t bytes, std::size_t alignment) {
  MemoryBudget* budget = currentBudget;
  if (budget != nullptr && !budget->take(footprintOf(bytes))) {
    return nullptr;
  }
  void* memory = alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__
                     ? ::operator new (bytes, std::align_val_t{alignment}, std::nothrow)
                     : ::operator new(bytes, std::nothrow);
  if (budget != nullptr) {
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
