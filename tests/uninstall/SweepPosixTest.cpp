// The sweep on the POSIX stand-ins over generated desktop trees, checked against the rule: what
// goes is the matching shortcuts the walk reaches and the folders that held only them. Runs change
// the tree in the middle of the walk (a folder replaced by a link to a folder outside, by a file, or
// deleted) through the hook PosixFiles calls before each use of a path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "../posix/TempTree.h"
#include "UninstallFakes.h"
#include "platform/posix/shortcuts/DesktopLinks.h"
#include "platform/posix/files/PosixFiles.h"

namespace {

namespace fs = std::filesystem;

// Entries of exactly the read limit are read; those past it are no shortcuts. Respelled names the
// program through "//" and ".." (the program's folder when it exists, else another spelling);
// LinkOut is a link through "hop/.." where hop is a link: it leads to another folder.
enum class Kind {
  Folder, Match, Other, Plain, LinkToProgram, LinkToFolder, Respelled, LinkOut, MatchAtLimit,
  MatchPastLimit
};

struct Node {
  std::string name;
  Kind kind;
  std::vector<Node> children;
};

std::string EntryFor(const std::string& program) {
  return "[Desktop Entry]\nType=Application\nName=P\nExec=" + program + "\n";
}

// Names a user may have: plain, hidden, with a newline, not UTF-8, of the longest length.
std::string Name(std::mt19937& random, int serial, const char* suffix) {
  std::string base = "e" + std::to_string(serial);
  switch (random() % 8) {
    case 0: return "." + base + suffix;
    case 1: return base + "\nline" + suffix;
    case 2: return base + "\xff\xfe" + suffix;
    case 3: return base + std::string(255 - base.size() - std::strlen(suffix), 'n') + suffix;
    default: return base + suffix;
  }
}

// Folders below the top are often pure: only shortcuts to the program and folders.
void Generate(std::mt19937& random, Node& folder, int depth, int& serial) {
  const int count = static_cast<int>(random() % 5) + (depth == 0 ? 4 : 0);
  const bool pure = depth > 0 && random() % 2 == 0;
  for (int i = 0; i < count; ++i) {
    const unsigned pick = random() % 10;
    Node node;
    if (pick < 4 && depth < 4) {
      node = {Name(random, ++serial, "").substr(0, 200), Kind::Folder, {}};
      Generate(random, node, depth + 1, serial);
    } else if (pure) {
      node = {"p" + std::to_string(++serial) + ".desktop", Kind::Match, {}};
    } else if (pick < 7) {
      node = {Name(random, ++serial, ".desktop"), Kind::Match, {}};
    } else {
      // (Entries of 64 KB are few: they are slow to write.)
      const Kind kinds[] = {Kind::Other,     Kind::Plain,   Kind::LinkToProgram,
                            Kind::LinkToFolder, Kind::Respelled, Kind::LinkOut,
                            Kind::MatchAtLimit, Kind::MatchPastLimit};
      const unsigned kind = random() % 24;
      node = {Name(random, ++serial, ".desktop"), kinds[kind < 22 ? kind % 6 : kind - 16], {}};
    }
    folder.children.push_back(std::move(node));
  }
}

void Make(const Node& folder, const std::string& path, const std::string& program,
          const std::string& outside) {
  fs::create_directories(path);
  auto write = [](const std::string& at, const std::string& text) { std::ofstream(at) << text; };
  const std::string root = program.substr(0, program.rfind("/opt/"));
  for (const Node& node : folder.children) {
    const std::string at = path + "/" + node.name;
    switch (node.kind) {
      case Kind::Folder: Make(node, at, program, outside); break;
      case Kind::Match: write(at, EntryFor(program)); break;
      case Kind::Other: write(at, EntryFor("/usr/bin/true")); break;
      case Kind::Plain: write(at, ""); break;
      case Kind::LinkToProgram: fs::create_symlink(program, at); break;
      case Kind::LinkToFolder: fs::create_directory_symlink(outside, at); break;
      case Kind::Respelled: write(at, EntryFor(root + "/opt/../opt//Volsar.exe")); break;
      case Kind::LinkOut: fs::create_symlink(root + "/hop/../opt/Volsar.exe", at); break;
      case Kind::MatchAtLimit:
      case Kind::MatchPastLimit: {
        std::string text = EntryFor(program) + "#";
        text += std::string(vx::posix::kEntryLimit - text.size() - 1, 'x') + "\n";
        write(at, node.kind == Kind::MatchAtLimit ? text : text + "\n");
        break;
      }
    }
  }
}

// What the sweep must leave: walks the model as the rule says and collects the paths that must go.
// Answers the folder's status bits. `changed` is the folder replaced during the walk, and how.
struct Expect {
  const std::string* changed;
  char how;  // 'l' link, 'f' file, 'd' deleted
  bool programFolder;  // the program's folder exists
  std::set<std::string> gone;
  std::set<std::string> removalTried;
};

std::uint8_t Rule(const Node& folder, const std::string& path, Expect& expect, bool* removed,
                  std::uint8_t status = 0) {
  bool subfoldersGone = true;
  for (const Node& node : folder.children) {
    const std::string at = path + "/" + node.name;
    if (node.name[0] == '.' || at.size() >= vx::kMaxPath ||
        (node.kind == Kind::Folder && at.size() + 4 >= vx::kMaxPath)) {
      status |= SWEEP_KEPT;
    } else if (node.kind == Kind::Folder && expect.changed && at == *expect.changed) {
      if (expect.how == 'l') status |= SWEEP_KEPT;
      if (expect.how == 'd') expect.gone.insert(at);
      else subfoldersGone = false;
    } else if (node.kind == Kind::Folder) {
      bool gone = false;
      status |= Rule(node, at, expect, &gone);
      subfoldersGone = subfoldersGone && gone;
    } else if (node.kind == Kind::Match || node.kind == Kind::LinkToProgram ||
               node.kind == Kind::MatchAtLimit ||
               (node.kind == Kind::Respelled && expect.programFolder)) {
      status |= SWEEP_DELETED;
      expect.gone.insert(at);
    } else {
      status |= SWEEP_KEPT;
    }
  }
  if (status == SWEEP_DELETED) expect.removalTried.insert(path);
  *removed = status == SWEEP_DELETED && subfoldersGone;
  if (*removed) expect.gone.insert(path);
  return status;
}

std::set<std::string> Listing(const std::string& root) {
  std::set<std::string> paths;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
    paths.insert(it->path().string());
  return paths;
}

// The folders the walk enters.
std::vector<std::string> Folders(const Node& folder, const std::string& path) {
  std::vector<std::string> found;
  for (const Node& node : folder.children)
    if (node.kind == Kind::Folder && node.name[0] != '.' &&
        path.size() + 1 + node.name.size() + 4 < vx::kMaxPath) {
      found.push_back(path + "/" + node.name);
      for (auto& deeper : Folders(node, path + "/" + node.name)) found.push_back(deeper);
    }
  return found;
}

TEST(SweepPosix, GeneratedTreesLoseExactlyTheirShortcutsAndTheFoldersOfOnlyThose) {
  for (unsigned seed = 1; seed <= 60; ++seed) {
    vx::test::TempTree tree;
    std::mt19937 random(seed);
    const std::string desk = tree.Path("Desktop"), outside = tree.Path("outside");
    const std::string program = tree.Path("opt/Volsar.exe");
    // The desktop may be the home folder: the panel's own menu entry must stay.
    Node top{"", Kind::Folder, {{".local", Kind::Folder, {{"volsar.desktop", Kind::Match, {}}}}}};
    int serial = 0;
    Generate(random, top, 0, serial);
    Make(top, desk, program, outside);
    tree.Write("outside/panel.desktop", EntryFor(program));
    // hop/.. is elsewhere, which has an opt of its own; the program's folder exists in odd runs.
    tree.Folder("elsewhere/deep");
    tree.Folder("elsewhere/opt");
    fs::create_directory_symlink(tree.Path("elsewhere/deep"), tree.Path("hop"));
    if (seed % 2) tree.Folder("opt");
    const std::set<std::string> outsideBefore = Listing(outside);

    // Most runs change one folder (below the top when there is one) just before the walk enters it.
    const std::vector<std::string> folders = Folders(top, desk);
    std::vector<std::string> choice;
    for (const std::string& folder : folders)
      if (folder.find('/', desk.size() + 1) != std::string::npos) choice.push_back(folder);
    if (choice.empty()) choice = folders;
    std::string changed;
    if (seed % 4 != 0 && !choice.empty()) changed = choice[random() % choice.size()];
    const char how = "lfd"[seed % 3];
    Expect expect{changed.empty() ? nullptr : &changed, how, seed % 2 == 1, {}, {}};
    bool removed = false;
    const std::uint8_t expected = Rule(top, desk, expect, &removed, SWEEP_KEPT);

    vx::posix::PosixFiles files;
    vx::posix::DesktopLinks shell(&files.Folders());
    std::vector<std::string> used;
    files.Folders().beforeUse = [&](const char* path) {
      used.push_back(path);
      if (path != changed || std::count(used.begin(), used.end(), changed) > 1) return;
      fs::rename(changed, tree.Path("moved"));
      if (how == 'l') fs::create_directory_symlink(outside, changed);
      if (how == 'f') tree.Write(changed.substr(tree.Root().size() + 1), "now a file");
    };
    const std::set<std::string> before = Listing(desk);
    UninstallState state;
    std::snprintf(state.TargetPath, sizeof state.TargetPath, "%s", program.c_str());
    std::snprintf(state.WorkPath, sizeof state.WorkPath, "%s", desk.c_str());
    ASSERT_EQ(shell.CreateShellLink(&state.Link), vx::kSOk);
    EXPECT_EQ(SweepShortcuts(state, {nullptr, &files, &shell, nullptr},
                             static_cast<unsigned>(desk.size()), SWEEP_KEPT),
              expected) << "seed " << seed;
    shell.ReleaseShellLink(state.Link);
    EXPECT_EQ(files.OpenFinds(), 0u);

    auto below = [&changed](const std::string& path) {
      return !changed.empty() && path.rfind(changed + "/", 0) == 0;
    };
    std::set<std::string> gone;
    const std::set<std::string> after = Listing(desk);
    for (const std::string& path : before)
      if (!after.count(path) && !below(path)) gone.insert(path);
    EXPECT_EQ(gone, expect.gone) << "seed " << seed;
    EXPECT_EQ(Listing(outside), outsideBefore) << "seed " << seed;
    for (const std::string& path : used) {
      EXPECT_FALSE(below(path)) << "used through the link: " << path;
      EXPECT_EQ(path.find("/."), std::string::npos) << "hidden entry used: " << path;
    }
    // Each folder is used once to be listed, and once more when its removal is tried: that tells
    // whether the changed folder counted as kept.
    for (const std::string& folder : folders) {
      if (below(folder)) continue;  // never reached
      EXPECT_EQ(std::count(used.begin(), used.end(), folder),
                1 + static_cast<long>(expect.removalTried.count(folder))) << folder;
    }
  }
}

}  // namespace
