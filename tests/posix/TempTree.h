// A temporary folder for one test, and the environment pointed into it, so that nothing a test does
// reaches the real home folder or desktop.
#pragma once

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace vx::test {

class TempTree {
 public:
  TempTree() {
    const char* base = std::getenv("VEXMOR_TEST_TMP");
    std::filesystem::path parent = base && *base ? base : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(parent);
    std::string pattern = (parent / "posix-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) ADD_FAILURE() << "mkdtemp failed under " << parent;
    root_ = pattern;
  }
  ~TempTree() {
    for (auto& [name, old] : saved_) {
      if (old)
        ::setenv(name.c_str(), old->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& Root() const { return root_; }
  std::string Path(const std::string& relative) const { return root_ + "/" + relative; }

  // Sets (or with nullptr unsets) a variable until the tree goes away.
  void SetEnv(const std::string& name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      ::setenv(name.c_str(), value, 1);
    else
      ::unsetenv(name.c_str());
  }

  // HOME at root/home, XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_DATA_HOME unset (so the defaults under HOME apply).
  void UseHome() {
    std::filesystem::create_directories(Path("home"));
    SetEnv("HOME", Path("home").c_str());
    SetEnv("XDG_CONFIG_HOME", nullptr);
    SetEnv("XDG_STATE_HOME", nullptr);
    SetEnv("XDG_DATA_HOME", nullptr);
  }

  std::string Write(const std::string& relative, const std::string& text) const {
    std::string path = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string Folder(const std::string& relative) const {
    std::filesystem::create_directories(Path(relative));
    return Path(relative);
  }
  std::string Link(const std::string& relative, const std::string& target) const {
    std::string path = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
    return path;
  }
  bool Exists(const std::string& relative) const {
    struct stat st;
    return ::lstat(Path(relative).c_str(), &st) == 0;
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(Path(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::string root_;
  std::map<std::string, std::optional<std::string>> saved_;
};

// body's result, run in a child as uid 65534 under root (CI), else as the test's own user (-1: no exit).
inline int AsOtherUser(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(::geteuid() == 0 && (::setgroups(0, nullptr) || ::setgid(65534) ||
                                               ::setuid(65534)) ? 120 : body());
  int raw = 0;
  return child > 0 && ::waitpid(child, &raw, 0) == child && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace vx::test
