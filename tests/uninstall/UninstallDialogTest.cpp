// The uninstaller's dialog driven for real on Qt's offscreen platform, over the fake machine: OK
// and Enter run the procedure, Cancel, Escape and Close leave everything as it was. Also the
// template and the version block as the resource tables hold them.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "DialogTestSupport.h"

#include "UninstallFakes.h"
#include "shell/WindowStyles.h"
#include "shell/qt/QtDialogWindow.h"
#include "shell/qt/QtToolkit.h"
#include "uninstall/UninstallApp.h"
#include "uninstall/res/ResourceIds.h"
#include "uninstall/res/Resources.h"

namespace {

using namespace vx::styles;
using namespace std::string_literals;

class UninstallDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    m.registry.SetString(vx::kHKeyLocalMachine, kRegistrationKeyPath, kUninstallStringName,
                         "C:\\Apps\\pelzorn.exe");
    m.registry.keys[{vx::kHKeyCurrentUser, kSettingsKeyPath}];
    m.files.AddFolder("C:\\Apps");
    m.files.AddFile("C:\\Apps\\Volsar.exe");
    m.files.AddFile("C:\\Apps\\Volsar.hlp");
    m.files.AddFile("C:\\Apps\\pelzorn.exe");
  }

  // Runs the uninstaller's start-up with its dialog handed to script; a dialog the script leaves
  // open is closed so that a failed expectation cannot hang the run.
  void Run(const std::function<void(vx::QtDialogWidget&)>& script) {
    vx::QtToolkit toolkit(UninstallResources(), QString());
    CUninstallApp app;
    app.SetPlatform(m.Platform());
    DriveModalDialog(
        [&](vx::QtDialogWidget& widget) {
          EXPECT_TRUE(m.log.empty()) << "the procedure ran before OK";
          script(widget);
        },
        [&] { EXPECT_EQ(AfxWinMain(app, toolkit), 0); });
  }

  static QPushButton* Button(vx::QtDialogWidget& w, int id) {
    return qobject_cast<QPushButton*>(w.Control(id));
  }
  bool Untouched() const { return m.log.empty() && m.registry.keys.size() == 2; }

  fake::Machine m;
};

TEST_F(UninstallDialog, EnterRunsTheProcedureAndEndsTheDialog) {
  Run([&](vx::QtDialogWidget& w) {
    EXPECT_EQ(w.windowTitle(), "Uninstall Vexmor Recording Panel");
    EXPECT_TRUE(Button(w, IDOK)->isDefault());
    EXPECT_EQ(QApplication::focusWidget(), w.Control(IDOK));
    EXPECT_EQ(ClippedTexts(w), std::vector<std::string>{});
    // A second run would find no registration and report the files it cannot find: answer it.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        ADD_FAILURE() << "unexpected message: " << box->text().toStdString();
        box->accept();
      }
    });
    answer.start(5);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    answer.stop();
    EXPECT_FALSE(w.isVisible());
  });
  EXPECT_EQ(fake::CountPrefix(m.log, "DeleteKey HKCU"), 1);  // the procedure ran once
  EXPECT_TRUE(m.registry.keys.empty());
  EXPECT_FALSE(m.files.Exists("C:\\Apps\\Volsar.exe"));
  EXPECT_FALSE(m.files.Exists("C:\\Apps\\Volsar.hlp"));
  EXPECT_EQ(m.profile.files["C:\\WINDOWS\\WININIT.INI"]["Rename"],
            "NUL=C:\\Apps\\pelzorn.exe\0NUL=C:\\Apps\0"s);
}

TEST_F(UninstallDialog, ClickingOkRunsTheProcedureOnce) {
  Run([&](vx::QtDialogWidget& w) { QTest::mouseClick(Button(w, IDOK), Qt::LeftButton); });
  EXPECT_EQ(fake::CountPrefix(m.log, "DeleteKey HKCU"), 1);
  EXPECT_FALSE(m.files.Exists("C:\\Apps\\Volsar.exe"));
}

TEST_F(UninstallDialog, CancelEscapeAndCloseTouchNothing) {
  const std::vector<std::function<void(vx::QtDialogWidget&)>> ways = {
      [](vx::QtDialogWidget& w) { QTest::mouseClick(Button(w, IDCANCEL), Qt::LeftButton); },
      [](vx::QtDialogWidget&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); },
      [](vx::QtDialogWidget& w) { w.close(); },
      [](vx::QtDialogWidget& w) {  // Enter while Cancel has the focus presses Cancel
        Button(w, IDCANCEL)->setFocus();
        QTest::keyClick(Button(w, IDCANCEL), Qt::Key_Return);
      },
  };
  for (std::size_t i = 0; i < ways.size(); ++i) {
    SCOPED_TRACE(i);
    Run(ways[i]);
    EXPECT_TRUE(Untouched());
    EXPECT_TRUE(m.files.Exists("C:\\Apps\\Volsar.exe"));
    EXPECT_TRUE(m.profile.files.empty());
  }
}

TEST_F(UninstallDialog, FailedDeletionIsReportedInABoxOwnedByTheDialog) {
  m.files.deleteErrors["C:\\Apps\\Volsar.hlp"] = vx::kAccessDenied;
  QStringList boxes;
  Run([&](vx::QtDialogWidget& w) {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      boxes << box->windowTitle() + "|" + box->text();
      EXPECT_EQ(box->parentWidget(), &w);
      EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
      EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
      box->accept();
    });
    QTest::mouseClick(Button(w, IDOK), Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
  });
  EXPECT_EQ(boxes, QStringList{"Can't delete the file named:|C:\\Apps\\Volsar.hlp"});
  EXPECT_TRUE(m.files.Exists("C:\\Apps\\Volsar.hlp"));
}

TEST(UninstallResources, TemplateAndVersionBlock) {
  const vx::ProgramResources& res = UninstallResources();
  const vx::DialogTemplate* d = res.FindDialog(102);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->caption, "Uninstall Vexmor Recording Panel");
  EXPECT_EQ(d->cx, 186);
  EXPECT_EQ(d->cy, 46);
  EXPECT_STREQ(d->fontName, "MS Shell Dlg");
  EXPECT_EQ(d->pointSize, 8);
  EXPECT_EQ(d->style, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
  EXPECT_EQ(d->exStyle, WS_EX_APPWINDOW);
  ASSERT_EQ(d->controls.size(), 4u);
  struct Expected {
    int id;
    const char* cls;
    const char* text;
    std::uint32_t style;
    int x, y, cx, cy;
  };
  const Expected expected[] = {
      {1, "Button", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 38, 29, 50, 14},
      {2, "Button", "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 98, 29, 50, 14},
      {-1, "Static", "Click on OK to uninstall the Vexmor Recording", WS_VISIBLE | WS_GROUP | SS_CENTER,
       0, 4, 186, 8},
      {-1, "Static", "Panel. This will remove all files from your computer.",
       WS_VISIBLE | WS_GROUP | SS_CENTER, 0, 15, 186, 8},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    const vx::ControlTemplate& c = d->controls[i];
    EXPECT_EQ(c.id, expected[i].id);
    EXPECT_STREQ(c.className, expected[i].cls);
    EXPECT_STREQ(c.text, expected[i].text);
    EXPECT_EQ(c.style, expected[i].style);
    EXPECT_EQ(c.exStyle, 0u);
    EXPECT_EQ((std::array<int, 4>{c.x, c.y, c.cx, c.cy}),
              (std::array<int, 4>{expected[i].x, expected[i].y, expected[i].cx, expected[i].cy}));
  }
  EXPECT_EQ(res.icon.id, 128);
  EXPECT_EQ(res.helpFile, nullptr);
  EXPECT_TRUE(res.accelerators.empty());

  const vx::VersionInfo& v = *res.version;
  EXPECT_EQ((std::array<int, 4>{v.fileVersion[0], v.fileVersion[1], v.fileVersion[2], v.fileVersion[3]}),
            (std::array<int, 4>{1, 0, 0, 1}));
  EXPECT_EQ(v.productVersion[3], 1);
  EXPECT_EQ(v.flagsMask, 0x3Fu);
  EXPECT_EQ(v.os, 4u);
  EXPECT_EQ(v.type, 1u);
  EXPECT_STREQ(v.block, "040904b0");
  std::map<std::string, std::string> strings;
  for (const vx::VersionString& s : v.strings) strings[s.name] = s.value;
  EXPECT_EQ(strings, (std::map<std::string, std::string>{
                         {"CompanyName", ""},
                         {"FileDescription", "Uninstalls the Vexmor Recording Panel"},
                         {"FileVersion", "1, 0, 0, 1"},
                         {"InternalName", "PELZORN"},
                         {"OriginalFilename", "PELZORN.EXE"},
                         {"ProductName", "Uninstall Vexmor Recording Panel"},
                         {"ProductVersion", "1, 0, 0, 1"}}));
}

}  // namespace
