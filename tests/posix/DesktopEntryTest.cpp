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

// Exec values as a launcher splits them (GLib's command-line rules after its field codes): the
// program it runs, or nothing where it refuses the entry or runs nothing.
TEST(DesktopEntryTarget, ExecReadsAsLaunchersReadIt) {
  const std::optional<std::string> none;
  const std::pair<const char*, std::optional<std::string>> rows[] = {
      {R"("/opt/v/Volsar.exe)", none}, {"", none}, {"%U", none},  // broken quoting, nothing to run
      {"/opt/v/Volsar.exe #", none},                         // '#' last where a comment starts
      {R"("/opt/\a/Volsar.exe")", R"(/opt/\a/Volsar.exe)"},  // no such escape: it stays
      {R"(/opt/v/Volsar.exe\)", "/opt/v/Volsar.exe"},        // a last backslash goes
      {R"("/opt/v/"Volsar.exe)", "/opt/v/Volsar.exe"},       // quoting joins within a word
      {"'/opt/My App/Volsar.exe' -x", "/opt/My App/Volsar.exe"},
      {R"(/opt/My\\ App/Volsar.exe)", "/opt/My App/Volsar.exe"},  // \\ is one backslash first
      {R"(/opt/$HOME/Volsar.exe)", "/opt/$HOME/Volsar.exe"},  // no shell runs it
      {"/opt/v/Volsar.exe %z", "/opt/v/Volsar.exe"}, {"/opt/v/Volsar.exe %", "/opt/v/Volsar.exe"},
      {"/opt/v/Volsar.exe%c", "/opt/v/Volsar.exePanel"},     // %c is the Name
      {R"(%k "/opt/v/Volsar.exe")", "/desk/p.desktop"},      // %k is the entry itself
      {R"(%i "/opt/v/Volsar.exe")", "--icon"},               // %i is --icon and the Icon
  };
  for (const auto& row : rows) {
    const std::string text = "[Desktop Entry]\nType=Application\nName=Panel\nIcon=vx.png\nExec=" +
                             std::string(row.first) + "\n";
    EXPECT_EQ(DesktopEntryTarget(text, "/desk/p.desktop"), row.second) << row.first;
  }
  // On purpose, %c is the untranslated Name (a launcher takes the user's language's).
  EXPECT_EQ(DesktopEntryTarget("[Desktop Entry]\nType=Application\nName=Panel\nName[de]=Tafel\n"
                               "Exec=/opt/v/Volsar.exe%c\n"),
            "/opt/v/Volsar.exePanel");
  // An Exec that is no command line before the expansion is refused, even when it is one after.
  EXPECT_EQ(DesktopEntryTarget(App("/opt/v/Volsar.exe %\"")), std::nullopt);
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
  EXPECT_EQ(link("file:///opt/v%2FVolsar.hlp"), std::nullopt);       // a '/' that is no separator
  EXPECT_EQ(link("file:/opt/v/Volsar.hlp"), "/opt/v/Volsar.hlp");
  EXPECT_EQ(link("file:///opt/v/Volsar.hlp "), "/opt/v/Volsar.hlp ");  // the blank is the name's
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

  // What a launcher takes: the last of repeated keys, a repeated group as one, any key name
  // without brackets, other bytes anywhere but in the values used.
  const std::string body = "Type=Application\nExec=/opt/v/Volsar.exe\n";
  for (const std::string& text : std::initializer_list<std::string>{
           "[Desktop Entry]\nExec=/bin/other\n" + body,
           "[Desktop Entry]\nType=Application\n[X]\nY=1\n[Desktop Entry]\nExec=/opt/v/Volsar.exe\n",
           "[Desktop Entry]\nX_Y=1\nA b=2\n" + body,
           "[Desktop Entry]\nComment=\xff\x01\n" + body,
       }) {
    EXPECT_EQ(DesktopEntryTarget(text), "/opt/v/Volsar.exe") << text;
  }
  // A CR before a line's LF goes; on a last line without one, it is the value's.
  EXPECT_EQ(DesktopEntryTarget("[Desktop Entry]\r\nType=Application\r\n"
                               "Exec=\"/opt/v/Volsar.exe\"\r"),
            "/opt/v/Volsar.exe\r");

  for (const std::string& text : std::initializer_list<std::string>{
           "Type=Application\nExec=/opt/v/Volsar.exe\n",                   // no group at all
           "[Other]\nX=1\n[Desktop Entry]\n" + body,                        // not the first group
           "[Desktop Entry]\n" + body + "this line has no equals sign\n",  // malformed line
           "[Desktop Entry]\n" + body + "X[\xc3\xa9]=1\n",                  // (refused here)
           "[Desktop Entry]\n" + body + "[Bad\x01]\n",                      // control in a group
           "[Desktop Entry]\nEncoding=Legacy-Mixed\n" + body,               // not UTF-8
           "[Desktop Entry]\nType=Application \nExec=/opt/v/Volsar.exe\n",  // blank is the value's
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
