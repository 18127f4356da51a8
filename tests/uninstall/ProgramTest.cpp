// pelzorn.exe itself, run as a user would, for the case that ends before any window opens: with
// no display it says so and touches nothing, the registration included.
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Program, WithoutADisplayNothingIsTouched) {
  const char* base = std::getenv("VEXMOR_TEST_TMP");
  const fs::path root = fs::path(base ? base : "/tmp") / ("pelzorn-" + std::to_string(::getpid()));
  fs::remove_all(root);
  const fs::path hives = root / "home" / ".config" / "vexmor" / "registry";
  const fs::path install = root / "opt";
  fs::create_directories(hives);
  fs::create_directories(install);
  const std::string hive =
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
      "Vexmor_Rec]\n\"UninstallString\"=\"" + (install / "pelzorn.exe").string() + "\"\n\n";
  std::ofstream(hives / "system.reg") << hive;
  std::ofstream(install / "Volsar.exe") << "x";

  const std::string command = "cd " + install.string() + " && env -i PATH=/usr/bin:/bin HOME=" +
                              (root / "home").string() + " " PELZORN_EXE " 2>&1";
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  std::array<char, 512> buffer{};
  while (pipe && std::fgets(buffer.data(), buffer.size(), pipe)) output += buffer.data();
  const int raw = pipe ? ::pclose(pipe) : -1;

  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
  EXPECT_EQ(output.rfind("pelzorn: ", 0), 0u) << output;
  EXPECT_NE(output.find("Nothing was touched."), std::string::npos) << output;
  EXPECT_EQ(ReadAll(hives / "system.reg"), hive);
  EXPECT_TRUE(fs::exists(install / "Volsar.exe"));
  EXPECT_FALSE(fs::exists(root / "home" / ".local" / "state"));
  fs::remove_all(root);
}

}  // namespace
