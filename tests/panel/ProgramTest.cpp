// Volsar.exe itself, run as a user would, for the cases that end before any window opens.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

}  // namespace
