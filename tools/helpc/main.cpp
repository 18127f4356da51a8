// helpc: compiles the help text into a Windows Help file and its contents file, and (given a
// fourth name) into a C++ source holding the help as rich and as plain text for the program.
//   helpc SOURCE.md OUT.hlp OUT.cnt [PROGRAM.cpp]
// Exit status 1, with the line it cannot express named on stderr, when the source is refused.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/helpc/HelpCompiler.h"
#include "tools/helpc/HelpRtf.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: helpc SOURCE.md OUT.hlp OUT.cnt [PROGRAM.cpp]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "helpc: %s: cannot be read\n", argv[1]);
    return 1;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const vx::help::Parsed parsed = vx::help::ParseMarkdown(text);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "%s:%s\n", argv[1], parsed.error.c_str() + 4);
    return 1;
  }
  std::string error;
  const std::string hlp = vx::help::CompileHelp(parsed.source, &error);
  if (hlp.empty()) {
    std::fprintf(stderr, "%s:%s\n", argv[1], error.c_str() + 4);
    return 1;
  }
  std::string name = argv[2];
  name = name.substr(name.find_last_of("/\\") + 1);
  if (!WriteFile(argv[2], hlp) || !WriteFile(argv[3], vx::help::ContentsFile(parsed.source, name))) {
    std::fprintf(stderr, "helpc: cannot write %s or %s\n", argv[2], argv[3]);
    return 1;
  }
  if (argc == 5 && !WriteFile(argv[4], vx::help::ProgramHelpSource(parsed.source, argv[1]))) {
    std::fprintf(stderr, "helpc: cannot write %s\n", argv[4]);
    return 1;
  }
  return 0;
}
