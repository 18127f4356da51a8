// bench_sweep: the shortcut sweep over a generated desktop tree, against `find` walking the same
// tree, and the sweep's peak memory at two tree sizes.
//
// Typical use: build/linux/bin/bench_sweep [entries]   (default 100000; the tree goes under
// $TMPDIR or /tmp and is removed afterwards)
//
// The tree: nested folders (five subfolders a level) holding plain files, desktop entries for other
// programs and desktop entries for the target; one folder in ten holds only entries for the target,
// so the sweep removes it. Timings are the best of seven runs with a warm cache. The sweep is first
// timed with a target that nothing points at (so every run walks and examines the same tree), then
// once for the real target, which deletes; the floor of any sweep over the same tree (see
// TimeFloor) is timed in the same runs, and the sweep's ratio to it printed. Memory is measured in
// a child process that runs one sweep: its peak resident size (VmHWM) against a child that does not
// sweep, and the peak of the heap blocks the sweep holds at once (counted through operator new).
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "platform/posix/shortcuts/DesktopLinks.h"
#include "platform/posix/files/PosixFiles.h"
#include "uninstall/Uninstall.h"

extern char** environ;

// Heap accounting: bytes held now and the most held at once since the last reset.
namespace {
std::atomic<long long> g_heldBytes{0};
std::atomic<long long> g_peakBytes{0};
}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) throw std::bad_alloc();
  long long held = g_heldBytes += static_cast<long long>(malloc_usable_size(block));
  long long peak = g_peakBytes.load();
  while (held > peak && !g_peakBytes.compare_exchange_weak(peak, held)) {
  }
  return block;
}
void operator delete(void* block) noexcept {
  if (!block) return;
  g_heldBytes -= static_cast<long long>(malloc_usable_size(block));
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace {

using Clock = std::chrono::steady_clock;

std::string DesktopEntry(const std::string& program) {
  return "[Desktop Entry]\nType=Application\nName=Some program\nComment=Generated for the "
         "benchmark\nExec=" + program + " %U\nIcon=generic\nTerminal=false\n";
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Makes `entries` entries (folders and files) under root; answers the number of folders.
std::size_t MakeTree(const std::string& root, std::size_t entries, const std::string& target) {
  std::filesystem::create_directories(root);
  // Breadth first, five subfolders a folder, about one folder per 40 entries.
  std::size_t folderCount = std::max<std::size_t>(1, entries / 40);
  std::vector<std::string> folders{root};
  for (std::size_t i = 0; folders.size() < folderCount + 1; ++i) {
    for (int k = 0; k < 5 && folders.size() < folderCount + 1; ++k) {
      std::string folder = folders[i] + "/folder" + std::to_string(k);
      std::filesystem::create_directory(folder);
      folders.push_back(folder);
    }
  }
  const std::string matching = DesktopEntry(target);
  const std::string other = DesktopEntry("/usr/bin/other-program");
  const std::string plain = "Notes that are not a desktop entry.\n";
  std::size_t files = entries - (folders.size() - 1);
  for (std::size_t i = 0; i < files; ++i) {
    std::size_t f = i % folders.size();
    const std::string& folder = folders[f];
    // Folders whose index ends in 9 hold only entries for the target (the sweep removes those
    // whose subfolders go too); the others a mix.
    if (f % 10 == 9 && f != 0) {
      WriteFile(folder + "/panel" + std::to_string(i) + ".desktop", matching);
      continue;
    }
    switch (i % 20) {
      case 0: case 1:
        WriteFile(folder + "/panel" + std::to_string(i) + ".desktop", matching);
        break;
      case 2: case 3: case 4: case 5: case 6:
        WriteFile(folder + "/other" + std::to_string(i) + ".desktop", other);
        break;
      default:
        WriteFile(folder + "/note" + std::to_string(i) + ".txt", plain);
    }
  }
  return folders.size() - 1;
}

// One sweep over root for target; answers the status bits.
std::uint8_t Sweep(const std::string& root, const std::string& target) {
  vx::posix::PosixFiles files;
  vx::posix::DesktopLinks shell(&files.Folders());
  UninstallPlatform platform;
  platform.files = &files;
  platform.shell = &shell;
  UninstallState state;
  std::snprintf(state.TargetPath, sizeof state.TargetPath, "%s", target.c_str());
  std::snprintf(state.WorkPath, sizeof state.WorkPath, "%s", root.c_str());
  state.TargetFits = true;
  if (shell.CreateShellLink(&state.Link) != vx::kSOk) return 0;
  std::uint8_t status =
      SweepShortcuts(state, platform, static_cast<unsigned>(root.size()), SWEEP_KEPT);
  shell.ReleaseShellLink(state.Link);
  return status;
}

// The floor of any sweep: a walk through folder handles, each entry's type taken from the listing
// (fstatat only where the file system does not say), one open, read and close of each desktop entry
// and one readlinkat of each link. Hidden entries are passed over, as the sweep passes them over.
void FloorWalk(int folder) {
  DIR* dir = ::fdopendir(folder);
  if (!dir) {
    ::close(folder);
    return;
  }
  char text[4096];
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] == '.') continue;
    unsigned char type = entry->d_type;
    struct stat st;
    if (type == DT_UNKNOWN && ::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) == 0)
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    if (type == DT_DIR) {
      int sub = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0) FloorWalk(sub);
    } else if (type == DT_LNK) {
      [[maybe_unused]] ssize_t n = ::readlinkat(::dirfd(dir), name, text, sizeof text);
    } else if (type == DT_REG) {
      const std::size_t length = std::strlen(name);
      if (length <= 8 || std::strcmp(name + length - 8, ".desktop") != 0) continue;
      int fd = ::openat(::dirfd(dir), name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) continue;
      while (::read(fd, text, sizeof text) > 0) {
      }
      ::close(fd);
    }
  }
  ::closedir(dir);
}

double TimeFloor(const std::string& root) {
  auto start = Clock::now();
  int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) FloorWalk(folder);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double TimeFind(const std::string& root) {
  pid_t pid;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {"find", root.c_str(), nullptr};
  auto start = Clock::now();
  if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
    std::perror("find");
    std::exit(1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  auto elapsed = Clock::now() - start;
  posix_spawn_file_actions_destroy(&actions);
  return Seconds(elapsed);
}

double TimeSweep(const std::string& root, const std::string& target) {
  auto start = Clock::now();
  Sweep(root, target);
  return Seconds(Clock::now() - start);
}

// The peak resident size of this process image in KiB. (Not getrusage: a child started with
// posix_spawn shares its parent's memory until exec, and ru_maxrss keeps the parent's peak.)
long ResidentPeak() {
  long peak = -1;
  if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status))
      if (std::sscanf(line, "VmHWM: %ld kB", &peak) == 1) break;
    std::fclose(status);
  }
  return peak;
}

// Runs this program again as "--sweep-only root target" or "--idle"; answers the child's peak
// resident size in KiB and passes back its heap peak (both as the child printed them).
long Child(const std::vector<std::string>& args, long long* heapPeak) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<char*> argv{const_cast<char*>("/proc/self/exe")};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ) != 0) return -1;
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  char buffer[64] = {};
  ssize_t n = read(pipeFds[0], buffer, sizeof buffer - 1);
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  long long heap = -1;
  long resident = -1;
  if (n <= 0 || std::sscanf(buffer, "%lld %ld", &heap, &resident) != 2) resident = -1;
  if (heapPeak) *heapPeak = heap;
  return resident;
}

struct Memory {
  long rssDeltaKiB;
  long long heapPeakBytes;
};

Memory MeasureMemory(const std::string& root, const std::string& target) {
  long long heap = 0;
  long idle = Child({"--idle"}, nullptr);
  long swept = Child({"--sweep-only", root, target}, &heap);
  return {swept - idle, heap};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--idle") == 0) {
    std::printf("0 %ld\n", ResidentPeak());
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "--sweep-only") == 0) {
    long long before = g_heldBytes.load();
    g_peakBytes = before;
    Sweep(argv[2], argv[3]);
    std::printf("%lld %ld\n", g_peakBytes.load() - before, ResidentPeak());
    return 0;
  }
  std::size_t entries = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 100000;
  if (entries < 100) entries = 100;

  const char* tmp = std::getenv("TMPDIR");
  std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_sweep-XXXXXX";
  if (!mkdtemp(base.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  // The target as it stands after the uninstaller deleted it: a path in the install folder, which
  // still exists (the sweep looks it up).
  const std::string target = base + "/install/Volsar.exe";
  std::filesystem::create_directories(base + "/install");
  const std::string nothing = base + "/install/NoSuchProgram.exe";

  std::printf("Shortcut sweep against find, one tree of %zu entries\n", entries);
  const std::string root = base + "/desktop";
  auto makeStart = Clock::now();
  std::size_t folders = MakeTree(root, entries, target);
  std::printf("  tree: %zu folders, %zu files (made in %.2f s)\n", folders, entries - folders,
              Seconds(Clock::now() - makeStart));

  TimeFind(root);  // warm the cache
  double find = 1e9, floor = 1e9, examine = 1e9;
  for (int run = 0; run < 7; ++run) {
    find = std::min(find, TimeFind(root));
    floor = std::min(floor, TimeFloor(root));
    examine = std::min(examine, TimeSweep(root, nothing));
  }
  double sweep = TimeSweep(root, target);
  std::size_t left = 0;
  for (auto it = std::filesystem::recursive_directory_iterator(root);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    ++left;
  std::printf("  find:                      %8.1f ms\n", find * 1e3);
  std::printf("  floor: walk through folder handles, read each desktop entry, readlinkat each link:\n"
              "                             %8.1f ms   ratio %.2f\n", floor * 1e3, floor / find);
  std::printf("  sweep, nothing matching:   %8.1f ms   ratio %.2f\n", examine * 1e3, examine / find);
  std::printf("  sweep, deleting matches:   %8.1f ms   ratio %.2f   (%zu of %zu entries left)\n",
              sweep * 1e3, sweep / find, left, entries);
  std::printf("  sweep, nothing matching / floor = %.2f\n", examine / floor);

  std::printf("Peak memory of one sweep (nothing matching, so the tree stays)\n");
  for (std::size_t size : {std::size_t(10000), entries}) {
    std::string tree = base + "/memory" + std::to_string(size);
    MakeTree(tree, size, target);
    Memory memory = MeasureMemory(tree, nothing);
    std::printf("  %7zu entries: resident peak +%ld KiB over an idle run, heap peak %lld bytes\n",
                size, memory.rssDeltaKiB, memory.heapPeakBytes);
  }
  std::error_code ignored;
  std::filesystem::remove_all(base, ignored);
  return 0;
}
