// Desktop entries as shortcuts: which target each entry yields, and which entries are refused.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/shortcuts/DesktopEntry.h"

namespace {

using vx::posix::DesktopEntryTarget;

std::string App(const std::string& exec) {
  return "[Desktop Entry]\nType=Application\nName=Panel\nExec=" + exec + "\n";
}

TEST(DesktopEntryTarget, ApplicationTargetIsTheProgramOfExec) {
  EXPECT_EQ(DesktopEntryTarget(App("/opt/vexmor/Volsar.exe")), "/opt/vexmor/Volsar.exe");
  EXPECT_EQ(DesktopEntryTarget(App("/opt/vexmor/Volsar.exe --x %U")), "/opt/vexmor/Volsar.exe");
  EXPECT_EQ(DesktopEntryTarget(App("  /opt/v/Volsar.exe  ")), "/opt/v/Volsar.exe");
  // An argument that is only a field code goes away; the program is the first one left.
  EXPECT_EQ(DesktopEntryTarget(App("%i /opt/v/Volsar.exe %f")), "/opt/v/Volsar.exe");
  EXPECT_EQ(DesktopEntryTarget(App("/opt/100%%/Volsar.exe")), "/opt/100%/Volsar.exe");
  // Names are compared exactly later: letter case is kept as written.
  EXPECT_EQ(DesktopEntryTarget(App("/OPT/VOLSAR.EXE")), "/OPT/VOLSAR.EXE");
}

TEST(DesktopEntryTarget, QuotingAndEscapesAreUndoneInOrder) {
  EXPECT_EQ(DesktopEntryTarget(App(R"("/opt/My App/Volsar.exe" %f)")), "/opt/My App/Volsar.exe");
  // String escapes first (\\ -> \), then the quoting rules (\$ -> $, \" -> ").
  EXPECT_EQ(DesktopEntryTarget(App(R"("/opt/a\\$b\\"c\\\\d/Volsar.exe")")),
            R"(/opt/a$b"c\d/Volsar.exe)");
  // \s is a space by the string rules, and an unquoted space separates arguments.
  EXPECT_EQ(DesktopEntryTarget(App(R"(/opt/My\sApp/Volsar.exe)")), "/opt/My");
  EXPECT_EQ(DesktopEntryTarget(App(R"("/opt/My\sApp/Volsar.exe")")), "/opt/My App/Volsar.exe");
}

TEST(DesktopEntryTarget, BrokenExecFailsExamination) {
  for (const char* exec : {
           R"("/opt/v/Volsar.exe)",        // no closing quote
           R"("/opt/v/"Volsar.exe)",       // text glued to a closing quote
           R"(/opt/"v"/Volsar.exe)",       // a quote inside an unquoted argument
           R"("/opt/\a/Volsar.exe")",      // not one of the four escapes
           R"(/opt/$HOME/Volsar.exe)",     // reserved character unquoted
           R"(/opt/v/Volsar.exe;rm)",      // reserved character unquoted
           R"(/opt/v/Volsar.exe %z)",      // no such field code
           R"("/opt/v/%f/Volsar.exe")",    // field code inside quotes
           R"(/opt/v/Volsar.exe %)",       // lone percent
           "",                             // nothing to run
           "%U",                           // only a field code
       }) {
    EXPECT_EQ(DesktopEntryTarget(App(exec)), std::nullopt) << exec;
  }
}

TEST(DesktopEntryTarget, LinkTargetIsTheDecodedFilePath) {
  auto link = [](const std::string& url) {
    return DesktopEntryTarget("[Desktop Entry]\nType=Link\nURL=" + url + "\n");
  };
  EXPECT_EQ(link("file:///opt/v/Volsar.hlp"), "/opt/v/Volsar.hlp");
  EXPECT_EQ(link("file:///opt/My%20App/Vol%25sar.hlp"), "/opt/My App/Vol%sar.hlp");
  EXPECT_EQ(link("FILE://localhost/opt/v/Volsar.hlp"), "/opt/v/Volsar.hlp");
  EXPECT_EQ(link("file://otherhost/opt/v/Volsar.hlp"), std::nullopt);
  EXPECT_EQ(link("https://example.invalid/Volsar.hlp"), std::nullopt);
  EXPECT_EQ(link("file:///opt/v/Volsar%2"), std::nullopt);
  EXPECT_EQ(link("file:///opt/v/Vol%zzsar.hlp"), std::nullopt);
  EXPECT_EQ(link("file:///opt/v/Volsar%00.hlp"), std::nullopt);
  EXPECT_EQ(link("file:///opt/v/Volsar.hlp#top"), std::nullopt);
  EXPECT_EQ(DesktopEntryTarget("[Desktop Entry]\nType=Link\n"), std::nullopt);
}

TEST(DesktopEntryTarget, FileStructure) {
  // Comments, blank lines, CRLF, spaces around '=', localised keys and other groups are fine.
  EXPECT_EQ(DesktopEntryTarget("# made by hand\r\n\r\n[Desktop Entry]\r\nName[de]=Tafel\r\n"
                               "Type = Application\r\nExec = /opt/v/Volsar.exe\r\n\r\n"
                               "[Desktop Action Other]\r\nExec=/bin/other\r\n"),
            "/opt/v/Volsar.exe");
  EXPECT_EQ(DesktopEntryTarget("[Desktop Entry]\nType=Application\nName=Tafel \xC3\xBC\n"
                               "Exec=/opt/\xC3\xBC/Volsar.exe\n"),
            "/opt/\xC3\xBC/Volsar.exe");

  const std::string body = "Type=Application\nExec=/opt/v/Volsar.exe\n";
  for (const std::string& text : std::initializer_list<std::string>{
           "Type=Application\nExec=/opt/v/Volsar.exe\n",                   // no group at all
           "[Other]\nX=1\n[Desktop Entry]\n" + body,                        // not the first group
           "[Desktop Entry]\n" + body + "Exec=/bin/other\n",                // a repeated key
           "[Desktop Entry]\n" + body + "[Desktop Entry]\nX=1\n",           // a repeated group
           "[Desktop Entry]\n" + body + "this line has no equals sign\n",  // malformed line
           "[Desktop Entry]\nType=Application\nName=x\n",                   // missing Exec
           "[Desktop Entry]\nExec=/opt/v/Volsar.exe\n",                     // missing Type
           "[Desktop Entry]\nType=Directory\nExec=/opt/v/Volsar.exe\n",     // another type
           "[Desktop Entry]\nType=application\nExec=/opt/v/Volsar.exe\n",   // type names are exact
           "[Desktop Action X]\nExec=/opt/v/Volsar.exe\n",                  // only other groups
       }) {
    EXPECT_EQ(DesktopEntryTarget(text), std::nullopt) << text;
  }
}

TEST(DesktopEntryTarget, BinaryContentFailsExamination) {
  std::string withNul = App("/opt/v/Volsar.exe");
  withNul.insert(5, 1, '\0');
  EXPECT_EQ(DesktopEntryTarget(withNul), std::nullopt);
  EXPECT_EQ(DesktopEntryTarget(App("/opt/v/Volsar.exe") + "X=\x01\n"), std::nullopt);
  EXPECT_EQ(DesktopEntryTarget(App("/opt/\xFF/Volsar.exe")), std::nullopt);        // not UTF-8
  EXPECT_EQ(DesktopEntryTarget(App("/opt/\xC0\xAF/Volsar.exe")), std::nullopt);    // overlong
  EXPECT_EQ(DesktopEntryTarget(App("/opt/\xED\xA0\x80/Volsar.exe")), std::nullopt);  // surrogate
  EXPECT_EQ(DesktopEntryTarget(App("/opt/\xE2\x82")), std::nullopt);               // cut short
}

TEST(ExecArgumentForEntry, WrittenProgramReadsBackUnchanged) {
  for (const std::string& program : {
           std::string("/opt/vexmor/Volsar.exe"),
           std::string("/home/a b/Volsar.exe"),
           std::string(R"(/x/$HOME/`id`/"q"/back\slash/100%/Volsar.exe)"),
           std::string("/x/tab\there/semi;colon/Volsar.exe"),
       }) {
    std::string exec = vx::posix::ExecArgumentForEntry(program);
    EXPECT_EQ(DesktopEntryTarget(App(exec + " %U")), program) << exec;
  }
  EXPECT_EQ(vx::posix::ExecArgumentForEntry("/opt/vexmor/Volsar.exe"), "/opt/vexmor/Volsar.exe");
}

}  // namespace
