// The desktop folder from user-dirs.dirs, the way xdg-user-dir reads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "TempTree.h"
#include "platform/posix/shortcuts/UserDirs.h"

namespace {

using vx::posix::DesktopFolder;

TEST(DesktopFolder, ReadsTheDesktopLine) {
  const std::string file =
      "# This file is written by xdg-user-dirs-update\n"
      "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
      "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
  EXPECT_EQ(DesktopFolder(file, "/home/u"), "/home/u/Schreibtisch");
  EXPECT_EQ(DesktopFolder("  XDG_DESKTOP_DIR=\"$HOME\" # set by hand\n", "/home/u"), "/home/u");
  // Words as sh makes them: a '#' inside one starts no comment, lines join after a backslash,
  // quotes may span lines, and a value needs no quotes.
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"$HOME/Desktop\"#old\n", "/home/u"),
            "/home/u/Desktop#old");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"$HOME/Do\\\ncs\"\n", "/home/u"), "/home/u/Docs");
  EXPECT_EQ(DesktopFolder("FOO=\"\nXDG_DESKTOP_DIR=\"/data/other\"\n\"\n", "/home/u"),
            "/home/u/Desktop");
  EXPECT_EQ(DesktopFolder("A=1 XDG_DESKTOP_DIR=~/'a b'$HOME\n", "/h"), "/h/a b/h");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=/unquoted;XDG_MUSIC_DIR=\"$x\"\n", "/h"), "/unquoted");
  EXPECT_EQ(DesktopFolder(R"(XDG_DESKTOP_DIR="$HOME/a\"b\\c d")", "/home/u"), R"(/home/u/a"b\c d)");
  EXPECT_EQ(DesktopFolder(R"(XDG_DESKTOP_DIR="$HOME/De\sk")", "/home/u"), R"(/home/u/De\sk)");
  // One spelling for the folder, whatever separators the file or HOME add.
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"$HOME/Desktop//\"\n", "/home/u"), "/home/u/Desktop");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"$HOME/\"\n", "/home/u/"), "/home/u");
  // And-or lists run as far as the status before each command says; a descriptor number before a
  // redirection is no word of the command.
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=/a && XDG_DESKTOP_DIR=/b || XDG_DESKTOP_DIR=/c\n", "/h"),
            "/b");
  EXPECT_EQ(DesktopFolder("cmd && A=1 || : \nXDG_DESKTOP_DIR=/b 2>/dev/null <&-\n", "/h"), "/b");
  // The last line wins, as when the shell sources the file.
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"/one\"\nXDG_DESKTOP_DIR=\"/two\"\n", "/h"), "/two");
}

TEST(DesktopFolder, FallsBackToHomeDesktop) {
  EXPECT_EQ(DesktopFolder(std::nullopt, "/home/u"), "/home/u/Desktop");
  EXPECT_EQ(DesktopFolder("", "/home/u"), "/home/u/Desktop");
  for (const char* file : {
           "#XDG_DESKTOP_DIR=\"/commented\"\n",
           "XDG_DESKTOP_DIR=\"relative/path\"\n",  // neither $HOME nor absolute
           "XDG_DESKTOP_DIR=\"$HOMEX/desk\"\n",    // another variable
           "XDG_DESKTOP_DIR = \"/data/desk\"\n",   // commands sh runs
           "XDG_DESKTOP_DIR= \"/data/desk\"\n",
           "XDG_DESKTOP_DIR=\"/data/desk\" cmd\n",
           "XDG_DESKTOP_DIR=\"/data/desk\"\r\n",  // sh keeps the CR in the value
           "XDG_DESKTOP_DIR=~x/desk\n",           // another account's home
           "XDG_DESKTOP_DIR=\"/no/closing/quote\n",
           "XDG_DESKTOP_DIRX=\"/other/key\"\n",
           "XDG_DESKTOP_DIR=\"/a\x01b\"\n",  // a control character
           "XDG_DESKTOP_DIR=\"$HOME/a\rb\"\n",
           "XDG_DESKTOP_DIR=\"/a\\\x7f\"\n",
       }) {
    EXPECT_EQ(DesktopFolder(std::string(file), "/home/u"), "/home/u/Desktop") << file;
  }
  {
    using namespace std::string_literals;
    EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"/a\0b\"\n"s, "/home/u"), "/home/u/Desktop");
  }
}

// From what this reader cannot follow on (what sh runs in a command substitution, a compound
// command, ...), the file is passed over; a file sh cannot parse is passed over whole, and said so.
TEST(DesktopFolder, PassesOverWhatShMightReadOtherwise) {
  for (const char* rest :
       {"X=$(echo \"\nXDG_DESKTOP_DIR=/b\")\n", "if false; then\nXDG_DESKTOP_DIR=/b\nfi\n",
        "X=`echo`\nXDG_DESKTOP_DIR=/b\n", "X=${y:-}\nXDG_DESKTOP_DIR=/b\n",
        "cat <<E\nXDG_DESKTOP_DIR=/b\nE\n", "XDG_DESKTOP_DIR=/b &\n",
        "XDG_DESKTOP_DIR=/b | cat\n", "XDG_DESKTOP_DIR=/b >/var/log/x\n",  // a subshell; may fail
        "unset XDG_DESKTOP_DIR\nXDG_DESKTOP_DIR=/b\n", "cmd || XDG_DESKTOP_DIR=/b\n"}) {
    std::string fault;
    EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=/a\n" + std::string(rest), "/h", &fault), "/a")
        << rest;
    EXPECT_EQ(fault, "") << rest;
  }
  for (const char* broken : {"FOO=\"\n", "FOO='it\\'s'\n", "XDG_DESKTOP_DIR=/b\n\n;\n",
                             "XDG_DESKTOP_DIR=/b\nfi\n", "XDG_DESKTOP_DIR=/b &&\n",
                             "XDG_DESKTOP_DIR=/b >\n", "XDG_DESKTOP_DIR=/b export A-B\n"}) {
    std::string fault;
    EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=/a\n" + std::string(broken), "/h", &fault),
              "/h/Desktop");
    EXPECT_NE(fault, "") << broken;
  }
}

TEST(DesktopFolder, NoHomeGivesNoFolderUnderIt) {
  EXPECT_EQ(DesktopFolder(std::nullopt, ""), "");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n", ""), "");
  EXPECT_EQ(DesktopFolder("XDG_DESKTOP_DIR=\"/srv/desk\"\n", ""), "/srv/desk");
}

// The file is shell syntax: for generated files, the folder read is the last one sh assigns that
// does not change with other variables and parameters, is absolute and holds no control character;
// the default when there is none or sh cannot parse the file.
TEST(DesktopFolder, ReadsFilesAsShDoes) {
  vx::test::TempTree tree;
  // No piece begins with a letter, so that a variable's name ends where its piece does; none is a
  // blank, so that the unquoted ones make no command of which the setting is a part.
  const std::vector<std::string> pieces = {
      "=",    "/", "\\\\", "\\\"", "\\$", "\\`", "\\a", "\\ ",      "$",  "$/",   "$x/",
      "${x}", "#", "'",    "\"",   "~",   "~/",  ":~/", "\xC3\xA9", "//", "\\\n", "\r"};
  std::mt19937 random(20261210);
  auto pick = [&](std::vector<std::string> from) { return from[random() % from.size()]; };
  auto line = [&]() -> std::string {
    std::string value = pick({"$HOME", "/", "~/", "${HOME}"});
    for (int n = random() % 6; n > 0; --n) value += pick(pieces);
    switch (random() % 13) {
      case 0:
      case 1:
        return pick({"", " ", "\t"}) + "# " + value;  // quotes in a comment open nothing
      case 2:
      case 3:
        return pick({"FOO=\"", "FOO='", "\"", "'", "FOO=\"$HOME\""});  // values across lines
      case 4:
        return pick({"fi", "}", "done", "then", "  esac", "f\\\ni", "\"fi\""});  // closing nothing
      case 5:  // what the status before a command says of it
        return pick({": ", " : "}) + pick({"&&", "||"}) + pick({" ", "\n"}) +
               "XDG_DESKTOP_DIR=/" + pick({"and", "or"});
      default: {
        const std::string quote = pick({"\"", "\"", "'", ""});
        return pick({"", " ", "A=1 "}) + pick({"XDG_DESKTOP_DIR", "XDG_DESK\\\nTOP_DIR"}) +
               pick({"=", "=", "=", " = ", "= ", " =", "=\\\n"}) + quote + value + quote +
               pick({"", "", "#old", "#", " #c\"", "\\\n#c", "x", "'y'", "\"z\"", " ", " :",
                     " export FOO", " && true", " || true", " && A=2", " >/dev/null #",
                     " </dev/null : #"});
      }
    }
  };
  const int cases = 3000;
  std::vector<std::string> files;
  std::string script = "exec 2>&1; PS4='\x01$XDG_DESKTOP_DIR\x02'\n";
  for (int i = 0; i < cases; ++i) {
    std::string file;
    for (int n = 1 + random() % 4; n > 0; --n) file += line() + pick({"\n", "\n", "\r\n", "; "});
    files.push_back(file);
    // sh parses what eval runs as it parses a file it sources, up to the end of the text.
    std::string quoted = "'";
    for (char c : file) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    script += "printf '\\003'; (XDG_DESKTOP_DIR=/default; set -x; eval " + quoted +
              "'; set +x) || printf '\\007'\n";
  }
  std::ofstream(tree.Path("all.sh")) << script;
  // sh traces each command it runs with the folder's value: after the assignments of a command that
  // is nothing else, during one that runs something (which then fails, saying so: nothing is
  // found). A second run with other variables and parameters tells what was expanded.
  const std::string env = "cd " + tree.Root() + " && env -i HOME=/home/u PATH=/nonexistent ";
  ASSERT_EQ(std::system((env + "/bin/sh ./all.sh >plain & " + env +
                         "a=Q x=Q /bin/sh ./all.sh p q r >other; wait")
                            .c_str()),
            0);
  struct Trace {
    std::vector<std::pair<std::string, bool>> values;  // the value, and whether a command ran
    bool parsed = true;
  };
  auto traces = [&](const std::string& name) {
    std::ifstream in(tree.Path(name), std::ios::binary);
    const std::string out{std::istreambuf_iterator<char>(in), {}};
    std::vector<Trace> traces;
    for (std::size_t at = out.find('\x03'), next; at != std::string::npos; at = next) {
      next = out.find('\x03', at + 1);
      const std::string one = out.substr(at + 1, next - at - 1);
      Trace& trace = traces.emplace_back();
      trace.parsed = one.find('\x07') == std::string::npos;
      for (std::size_t v = one.find('\x01'), end; v != std::string::npos;
           v = one.find('\x01', end)) {
        end = one.find('\x02', v);
        const bool ran =
            one.substr(end, one.find('\x01', end) - end).find(": eval: ") != std::string::npos;
        trace.values.emplace_back(one.substr(v + 1, end - v - 1), ran);
      }
    }
    return traces;
  };
  const std::vector<Trace> plain = traces("plain"), other = traces("other");
  ASSERT_EQ(plain.size(), files.size());
  ASSERT_EQ(other.size(), files.size());
  auto isFolder = [](const std::string& v) {
    return !v.empty() && v[0] == '/' &&
           std::none_of(v.begin(), v.end(), [](unsigned char c) { return c < 0x20 || c == 0x7f; });
  };
  int differ = 0, reached = 0;
  for (int i = 0; i < cases; ++i) {
    std::string expected = "/home/u/Desktop";
    const auto& p = plain[i].values;
    const auto& o = other[i].values;
    ASSERT_EQ(p.size(), o.size()) << files[i];
    for (std::size_t k = 1, last = 0; plain[i].parsed && other[i].parsed && k < p.size(); ++k) {
      if (p[k].second || o[k].second) continue;
      const bool assigned = p[k].first != p[last].first || o[k].first != o[last].first;
      last = k;
      if (assigned && p[k].first == o[k].first && isFolder(p[k].first))
        expected = vx::posix::WithoutExtraSeparators(p[k].first);
    }
    reached += expected != "/home/u/Desktop";
    const std::string ours = DesktopFolder(files[i], "/home/u");
    if (ours != expected) {
      ++differ;
      ADD_FAILURE() << "file \"" << files[i] << "\": sh assigns \"" << expected << "\", we read \""
                    << ours << "\"";
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(reached, cases / 10);  // the generators reach sh's folders, not only the default
}

}  // namespace
