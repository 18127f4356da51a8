// Volsar.exe itself, run as a user would, for the cases that end before any window opens, and a
// copy given the port capability, run as another user with a Qt plugin of the test's own.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status;
  std::string stderrText;
};

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("VEXMOR_TEST_TMP");
    root = fs::path(base ? base : "/tmp") / ("volsar-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "home");
  }
  void TearDown() override { fs::remove_all(root); }

  // Runs the panel with a clean environment plus env; HOME is the test's own folder.
  Outcome Run(const std::string& env) {
    const std::string command = "env -i PATH=/usr/bin:/bin HOME=" + (root / "home").string() +
                                " VEXMOR_CARD_LOG=" + (root / "card.log").string() + " " + env +
                                " " VOLSAR_EXE " 2>&1";
    Outcome out{};
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 512> buffer{};
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe)) out.stderrText += buffer.data();
    const int raw = pipe ? ::pclose(pipe) : -1;
    out.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
  }
  bool TouchedAnything() const {
    return fs::exists(root / "card.log") || fs::exists(root / "home" / ".config" / "vexmor");
  }

  fs::path root;
};

TEST_F(Program, RefusesAnUnknownPortBackEndNamingTheAcceptedOnes) {
  const Outcome out = Run("QT_QPA_PLATFORM=offscreen VEXMOR_PORTS=dma");
  EXPECT_EQ(out.status, 2);
  EXPECT_NE(out.stderrText.find("\"emulated\" or \"direct\""), std::string::npos)
      << out.stderrText;
  EXPECT_NE(out.stderrText.find("not \"dma\""), std::string::npos) << out.stderrText;
  EXPECT_FALSE(TouchedAnything());
}

TEST_F(Program, SaysPlainlyWhenThereIsNoDisplay) {
  const Outcome out = Run("");
  EXPECT_EQ(out.status, 2);
  EXPECT_NE(out.stderrText.find("no display"), std::string::npos) << out.stderrText;
  EXPECT_FALSE(TouchedAnything());
}

TEST_F(Program, AnUnwritableCardLogStopsBeforeAnyPortIsTouched) {
  fs::create_directories(root / "card.log");  // a folder where the log file should be
  const Outcome out = Run("QT_QPA_PLATFORM=offscreen");
  EXPECT_EQ(out.status, 2);
  EXPECT_NE(out.stderrText.find("cannot open the card log"), std::string::npos) << out.stderrText;
  EXPECT_FALSE(fs::exists(root / "home" / ".config" / "vexmor" / "registry" / "user.reg"));
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The hexadecimal value of a "Name:\tvalue" line of /proc/<pid>/status as recorded, or "".
std::string StatusField(const std::string& status, const std::string& name) {
  const std::size_t at = status.find(name + ":\t");
  if (at == std::string::npos) return "";
  const std::size_t from = at + name.size() + 2;
  return status.substr(from, status.find('\n', from) - from);
}

// A copy of the panel given cap_sys_rawio+ep, run by strace as uid 65534 (or as root) with the
// probe plugin on QT_PLUGIN_PATH. strace makes every ioperm fail (EPERM, injected) so that no row
// can reach a real port, whatever the kernel would grant; the trace shows what was asked.
TEST_F(Program, PortRightIsUsedForTheCardsPortsOnlyAndGoneBeforeAnythingElse) {
  if (::geteuid() != 0 || std::system("command -v setcap strace setpriv >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "needs root with setcap, strace and setpriv (CI has them)";
  const fs::path bin = root / "bin", out = root / "out";
  fs::create_directories(bin);
  fs::create_directories(out);
  fs::permissions(root, fs::perms(0755));
  fs::permissions(root / "home", fs::perms(0755));
  fs::permissions(out, fs::perms(0777));
  fs::copy_file(VOLSAR_EXE, bin / "Volsar.exe");
  ASSERT_EQ(std::system(("setcap cap_sys_rawio+ep " + (bin / "Volsar.exe").string()).c_str()), 0);
  const fs::path hives = root / "home" / ".config" / "vexmor" / "registry";
  fs::create_directories(hives);
  for (fs::path p = hives; p != root; p = p.parent_path()) fs::permissions(p, fs::perms(0755));

  struct Row {
    const char* what;
    const char* ports;     // VEXMOR_PORTS
    bool asUser;           // as uid 65534, or as root (no right beyond its user's)
    const char* hivePort;  // the hive's "Port", or null for none
    const char* list;      // ports.allow beside the copy, or null for none
    int listMode;
    int status;
    const char* ioperm;   // the first ioperm's port, or "" for none at all
    const char* message;  // in the panel's output
  };
  const std::vector<Row> rows = {
      {"emulated by default", nullptr, true, nullptr, nullptr, 0, 42, "", ""},
      {"emulated", "emulated", true, "00000060", nullptr, 0, 42, "", ""},
      {"direct, default base", "direct", true, nullptr, nullptr, 0, 1, "0x332", "kernel refuses"},
      {"direct, a base not listed", "direct", true, "00000060", nullptr, 0, 1, "",
       "base port 0x0060 is not one the administrator allows"},
      {"direct, a listed base", "direct", true, "00000220", "# two cards\n0x330\n 0x220  # ISA\n",
       0644, 1, "0x222", "kernel refuses"},
      {"direct, the default base left out", "direct", true, nullptr, "0x220\n", 0644, 1, "",
       "base port 0x0330 is not one"},
      {"direct, a list others may write", "direct", true, "00000220", "0x220\n", 0666, 1, "",
       "group or others may write it"},
      {"direct, a list with a bad line", "direct", true, "00000220", "0x220\nport 0x60\n", 0644, 1,
       "", "line 2 is not a base port"},
      {"direct as root: the hive's base", "direct", false, "00000060", nullptr, 0, 1, "0x62",
       "kernel refuses"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove(hives / "user.reg");
    fs::remove(bin / "ports.allow");
    fs::remove(out / "caps");
    if (row.hivePort) {
      std::ofstream(hives / "user.reg") << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Vexmor_Rec]\n"
                                        << "\"Port\"=dword:" << row.hivePort << "\n\n";
      fs::permissions(hives / "user.reg", fs::perms(0644));
    }
    if (row.list) {
      std::ofstream(bin / "ports.allow") << row.list;
      fs::permissions(bin / "ports.allow", fs::perms(row.listMode));
    }
    const fs::path trace = root / "trace";
    const std::string command =
        "strace -f -qq -o " + trace.string() +
        " -e trace=ioperm,capset,write -e inject=ioperm:error=EPERM " +
        (row.asUser ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "") +
        "env -i PATH=/usr/bin:/bin HOME=" + (root / "home").string() +
        " QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=" PROBE_PLUGINS
        " QT_QPA_GENERIC_PLUGINS=vxprobe VX_PROBE_OUT=" + (out / "caps").string() +
        (row.ports ? std::string(" VEXMOR_PORTS=") + row.ports : std::string()) + " " +
        (bin / "Volsar.exe").string() + " 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 512> buffer{};
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
    const int raw = pipe ? ::pclose(pipe) : -1;
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, row.status) << output;
    EXPECT_NE(output.find(row.message), std::string::npos) << output;
    const std::string traced = Slurp(trace);
    const std::size_t firstIoperm = traced.find("ioperm(");
    if (*row.ioperm) {
      EXPECT_NE(traced.find(std::string("ioperm(") + row.ioperm + ","), std::string::npos) << traced;
      EXPECT_EQ(traced.find(std::string("ioperm(") + row.ioperm + ","), firstIoperm) << traced;
    } else {
      EXPECT_EQ(firstIoperm, std::string::npos) << traced;
    }
    // Every right is gone before the panel says anything or Qt loads the user's plugin.
    const std::size_t dropped =
        traced.rfind("{effective=0, permitted=0, inheritable=0}) = 0");
    EXPECT_NE(dropped, std::string::npos) << traced;
    const std::size_t said = traced.find("write(2, \"Volsar: ");
    if (said != std::string::npos) {
      EXPECT_LT(dropped, said) << traced;
    }
    if (row.status == 42) {
      const std::string caps = Slurp(out / "caps");
      EXPECT_EQ(StatusField(caps, "CapEff"), "0000000000000000") << caps;
      EXPECT_EQ(StatusField(caps, "CapPrm"), "0000000000000000") << caps;
      EXPECT_EQ(StatusField(caps, "CapInh"), "0000000000000000") << caps;
      EXPECT_EQ(StatusField(caps, "CapAmb"), "0000000000000000") << caps;
      EXPECT_EQ(caps.find("Uid:\t65534\t65534\t65534"), 0u) << caps;
    }
  }
}

}  // namespace
