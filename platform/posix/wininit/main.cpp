// vexmor-wininit: the start-up rename list for Linux, which has none of its own.
//
// Typical use: run with no arguments at login (the install step registers an XDG autostart entry).
// It reads WININIT.INI in ${XDG_STATE_HOME:-$HOME/.local/state}/vexmor, renames it to WININIT.BAK
// beside it (replacing an older file) and only then carries out the "NUL=path" entries of its
// [Rename] sections in file order, as the system start-up does: a list runs at most once, and
// what failed is reported on stderr, one line each, and stays readable in WININIT.BAK. It holds the
// lock the uninstaller's section write takes, so no entry written meanwhile is lost. Like ssh with
// its key files, it does nothing with a file or folder that another user owns or that group or
// others may write. Exit status 0 when every entry was carried out, 1 otherwise.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/posix/files/FileText.h"
#include "platform/posix/profile/IniProfile.h"
#include "platform/posix/wininit/RenameList.h"
#include "platform/posix/wininit/RunnerFiles.h"

namespace {

constexpr const char* kProgram = "vexmor-wininit";

// One line on stderr; control characters (a NUL in a crafted entry) are shown as '?'.
void Report(std::string line) {
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  std::fprintf(stderr, "%s: %s\n", kProgram, line.c_str());
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Why a file or folder of the list cannot be trusted, or "" when it can.
std::string Untrusted(const struct stat& st) {
  if (st.st_uid != ::geteuid()) return "it belongs to another user";
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return "group or others may write it";
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  (void)argv;
  if (argc > 1) {
    Report("takes no arguments");
    return 2;
  }
  const std::string folder = vx::posix::WindowsFolder();
  if (folder.empty()) {
    Report("cannot find the Windows folder: no home folder and no XDG_STATE_HOME");
    return 1;
  }
  const std::string path = folder + "/WININIT.INI";
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) {
    if (errno == ENOENT) return 0;  // nothing was ever scheduled
    Report(Quoted(folder) + ": " + std::strerror(errno));
    return 1;
  }
  if (std::string why = Untrusted(st); !why.empty()) {
    Report(Quoted(folder) + ": " + why + "; nothing is done");
    return 1;
  }
  vx::posix::FileLock lock;
  if (int error = lock.Take(path + ".lock"); error != 0) {
    Report(Quoted(path + ".lock") + ": cannot lock the list (" + std::strerror(error) +
           "); nothing is done");
    return 1;
  }
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return 0;  // nothing scheduled
    Report(Quoted(path) + ": " + std::strerror(errno));
    return 1;
  }
  if (std::string why = Untrusted(st); S_ISREG(st.st_mode) && !why.empty()) {
    Report(Quoted(path) + ": " + why + "; nothing is done");
    return 1;
  }
  std::string text;
  if (!S_ISREG(st.st_mode) ||
      !vx::posix::ReadSmallFileInto(path, vx::posix::kProfileLimit, text, false)) {
    Report(Quoted(path) + ": cannot be read; nothing is done");
    return 1;
  }
  // Set aside first, then act: whatever fails after this point, the list never runs again.
  const std::string backup = folder + "/WININIT.BAK";
  if (::lstat(backup.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    Report(Quoted(backup) + ": not a file, so the list cannot be set aside; nothing is done and " +
           "the list stays for the next login");
    return 1;
  }
  if (::rename(path.c_str(), backup.c_str()) != 0) {
    Report(Quoted(path) + ": cannot be renamed to WININIT.BAK (" + std::strerror(errno) +
           "); nothing is done and the list stays for the next login");
    return 1;
  }
  vx::posix::SyncFolderAfterRename(folder);
  vx::wininit::RunnerFiles files;
  vx::wininit::RenameRun run =
      vx::wininit::RunRenameList(text, files, {path, backup, path + ".lock"});
  for (const auto& problem : run.problems) Report(Quoted(path) + ": " + problem);
  if (!run.problems.empty()) {
    Report(std::to_string(run.problems.size()) + " of " +
           std::to_string(run.problems.size() + run.done) +
           " entries failed; the list was set aside as " + Quoted(backup) +
           " and does not run again");
    return 1;
  }
  return 0;
}
