// Volsar.exe itself, run as a user would, for the cases that end before any window opens, and a
// copy given the port capability, run as another user with a Qt plugin of the test's own.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

  // Runs the panel (through prefix) with a clean environment plus env; HOME is the test's own.
  Outcome Run(const std::string& env, const std::string& prefix = "",
              const fs::path& program = VOLSAR_EXE) {
    const std::string command = prefix + "env -i PATH=/usr/bin:/bin HOME=" +
                                (root / "home").string() + " VEXMOR_CARD_LOG=" +
                                (root / "card.log").string() + " " + env + " " +
                                program.string() + " 2>&1";
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

std::string Slurp(const fs::path& p) { return (std::ostringstream() << std::ifstream(p).rdbuf()).str(); }

// A copy given cap_sys_rawio+ep, run as uid 65534 (or root) with a Qt plugin of the test's own, by
// strace failing every ioperm (so no row reaches a real port) and showing what was asked, and when.
TEST_F(Program, PortRightServesTheListedCardPortsOnlyAndIsGoneBeforeAnythingElse) {
  if (::geteuid() != 0 || std::system("command -v setcap strace setpriv >/dev/null") != 0)
    GTEST_SKIP() << "needs root with setcap, strace and setpriv (CI has them)";
  const fs::path bin = root / "bin", hives = root / "home/.config/vexmor/registry";
  fs::create_directories(hives);
  fs::copy_file(VOLSAR_EXE, (fs::create_directories(bin), bin / "Volsar.exe"));
  ASSERT_EQ(std::system(("setcap cap_sys_rawio+ep " + (bin / "Volsar.exe").string()).c_str()), 0);
  // The probe beside the copy, where uid 65534 reaches it whatever folder the build is in.
  fs::copy(PROBE_PLUGINS, root / "plugins", fs::copy_options::recursive);
  ::chmod(root.c_str(), 0777);  // for the probe's record
  // VEXMOR_PORTS (root: as root), Port, ports.allow, status (42: the probe ran), ioperm, message.
  const char* rows[][6] = {
      {"", "60", "", "42", "", ""},
      {"direct", "", "", "1", "0x332", "kernel refuses"},
      {"direct", "60", "", "1", "", "base port 0x0060 is not one the administrator"},
      {"direct", "220", "0644 # two\n0x330\n 0x220  # ISA\n", "1", "0x222", "kernel refuses"},
      {"direct", "220", "0666 0x220\n", "1", "", "others may write it"},
      {"direct root", "60", "", "1", "0x62", "kernel refuses"},
  };
  for (const auto& row : rows) {
    const std::string ports = row[0], port = row[1], list = row[2], ioperm = row[4];
    SCOPED_TRACE(ports + " " + port + " " + list);
    for (const fs::path& old : {hives / "user.reg", bin / "ports.allow", root / "caps"}) fs::remove(old);
    if (!port.empty())
      std::ofstream(hives / "user.reg") << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Vexmor_Rec]\n"
                                        << "\"Port\"=dword:00000" << port << "\n";
    if (!list.empty() && (std::ofstream(bin / "ports.allow") << list.substr(5), true))
      ::chmod((bin / "ports.allow").c_str(), std::stoi(list, nullptr, 8));
    const bool asRoot = ports.find("root") != std::string::npos;
    const Outcome out = Run(
        "QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH=" + (root / "plugins").string() +
            " QT_QPA_GENERIC_PLUGINS=vxprobe VX_PROBE_OUT=" + (root / "caps").string() + (ports.empty() ? "" : " VEXMOR_PORTS=direct"),
        "strace -f -qq -o " + (root / "trace").string() + " -e trace=ioperm,capset,write " +
            "-e inject=ioperm:error=EPERM " + (asRoot ? "" : "setpriv --reuid=65534 --regid=65534 --clear-groups "),
        bin / "Volsar.exe");
    EXPECT_EQ(out.status, std::stoi(row[3])) << out.stderrText;
    EXPECT_NE(out.stderrText.find(row[5]), std::string::npos) << out.stderrText;
    const std::string trace = Slurp(root / "trace"), zero = "\t0000000000000000\n";
    EXPECT_EQ(trace.find("ioperm("), trace.find("ioperm(" + (ioperm.empty() ? "x" : ioperm) + ","));
    // Every right is gone before the panel says anything, and so before Qt and the plugin; root
    // as itself has nothing beyond its user's to give up.
    const std::size_t dropped = trace.rfind("{effective=0, permitted=0, inheritable=0}) = 0");
    EXPECT_EQ(dropped < trace.find("write(2, \"Volsar: "), !asRoot) << trace;
    EXPECT_EQ(Slurp(root / "caps"), out.status != 42 ? "" :
              "CapInh:" + zero + "CapPrm:" + zero + "CapEff:" + zero + "CapAmb:" + zero);
  }
}

}  // namespace
