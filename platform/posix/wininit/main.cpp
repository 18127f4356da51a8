// vexmor-wininit: the start-up rename list for Linux, which has none of its own.
//
// Typical use: run with no arguments at login (the install step registers an XDG autostart entry).
// It reads WININIT.INI in ${XDG_STATE_HOME:-$HOME/.local/state}/vexmor, carries out the "NUL=path"
// entries of its [Rename] section in order, removes those that are done and keeps the others for
// its next run, each reported as one line on stderr. Exit status 0 when nothing failed, 1 otherwise.
#include <cstdio>
#include <string>

#include "platform/posix/FileText.h"
#include "platform/posix/IniProfile.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/wininit/RenameList.h"

namespace {

constexpr const char* kProgram = "vexmor-wininit";

void Report(const std::string& line) { std::fprintf(stderr, "%s: %s\n", kProgram, line.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  (void)argv;
  if (argc > 1) {
    Report("takes no arguments");
    return 2;
  }
  std::string folder = vx::posix::WindowsFolder();
  if (folder.empty()) {
    Report("cannot find the Windows folder: no home folder and no XDG_STATE_HOME");
    return 1;
  }
  std::string path = folder + "/WININIT.INI";
  std::string text;
  if (!vx::posix::ReadSmallFileInto(path, vx::posix::kProfileLimit, text)) {
    if (vx::posix::PathExists(path)) {
      Report(path + ": cannot be read");
      return 1;
    }
    return 0;  // nothing scheduled
  }
  vx::posix::PosixFiles files;
  vx::wininit::RenameRun run = vx::wininit::RunRenameList(text, files);
  for (const auto& problem : run.problems) Report(path + ": " + problem);
  if (run.changed && !vx::posix::WriteFileAtomically(path, run.text)) {
    Report(path + ": cannot be written; its entries stay");
    return 1;
  }
  return run.problems.empty() ? 0 : 1;
}
