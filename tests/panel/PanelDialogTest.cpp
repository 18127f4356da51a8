// The panel's dialog driven for real on Qt's offscreen platform: mouse and keys go through Qt to
// the dialog, and what reached the card is read back from the emulated card's port log.
#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "DialogTestSupport.h"

#include "PanelFakes.h"
#include "panel/PanelApp.h"
#include "panel/res/ResourceIds.h"
#include "panel/res/Resources.h"
#include "platform/emulated/EmulatedCard.h"
#include "platform/emulated/PortLog.h"
#include "shell/HelpText.h"
#include "shell/qt/QtDialogWindow.h"
#include "shell/qt/QtToolkit.h"
#include "shell/qt/TrackBar.h"

namespace {

class PanelDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    ASSERT_TRUE(dir.isValid());
    logPath = dir.filePath("card.log");
  }

  // Runs the panel's start-up with the dialog handed to script; whatever the script leaves open
  // is closed afterwards so that a failed expectation cannot hang the run.
  void Run(const std::function<void(vx::QtDialogWidget&)>& script,
           unsigned busyReads = 3) {
    vx::EmulatedCard card(0x330, busyReads);
    vx::PortLog log(card, logPath.toLocal8Bit().constData());
    ASSERT_TRUE(log.Ok());
    vx::QtToolkit toolkit(PanelResources(), helpDir.isEmpty() ? dir.path() : helpDir);
    CPanelApp app;
    app.SetPlatform({&log, &registry});
    DriveModalDialog(
        [&](vx::QtDialogWidget& widget) {
          modeAtOpen = card.Mode();
          script(widget);
        },
        [&] { EXPECT_EQ(AfxWinMain(app, toolkit), 0); });
    settings = app.m_settings;
    gains = {card.Gain(4), card.Gain(8)};
  }

  QStringList Log() const {
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
  }
  // The log lines after the start-up mode write, without the status polls.
  QStringList Writes() const {
    QStringList writes;
    for (const QString& line : Log().mid(1))
      if (line.startsWith("out")) writes << line;
    return writes;
  }

  template <typename T>
  static T* Control(vx::QtDialogWidget& w, int id) {
    return qobject_cast<T*>(w.Control(id));
  }
  static QPoint ThumbCentre(vx::TrackBar* track) {
    QStyleOptionSlider option;
    option.initFrom(track);
    option.orientation = Qt::Horizontal;
    option.minimum = track->minimum();
    option.maximum = track->maximum();
    option.sliderPosition = track->value();
    option.sliderValue = track->value();
    return track->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, track)
        .center();
  }
  // Closes the next message box that opens, remembering its caption and text.
  void AnswerNextMessageBox() {
    QTimer::singleShot(0, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxes << box->windowTitle() + ": " + box->text();
        box->accept();
      }
    });
  }

  QTemporaryDir dir;
  QString logPath;
  QString helpDir;
  FakeRegistry registry;
  PanelSettings settings;
  std::uint8_t modeAtOpen = 0;
  std::pair<int, int> gains;
  QStringList boxes;
};

TEST_F(PanelDialog, OpensAsTheTemplateSaysWithTheModeAlreadyWritten) {
  Run([&](vx::QtDialogWidget& w) {
    EXPECT_EQ(w.windowTitle(), "Vexmor Recording");
    EXPECT_EQ(Control<QPushButton>(w, IDC_MONITOR)->text(), "Monitor &Off");
    EXPECT_EQ(Control<QPushButton>(w, IDC_INPUT)->text(), "&Line");
    EXPECT_EQ(Control<QPushButton>(w, IDC_BITS)->text(), "16 &Bit");
    EXPECT_EQ(Control<QPushButton>(w, IDC_CHANNELS)->text(), "&Stereo");
    EXPECT_EQ(Control<QLabel>(w, IDC_MIC_LABEL)->text(), "Mic &Volume:");
    auto* mic = Control<vx::TrackBar>(w, IDC_MIC_SLIDER);
    auto* aux = Control<vx::TrackBar>(w, IDC_AUX_SLIDER);
    EXPECT_EQ(mic->value(), 0);
    EXPECT_EQ(mic->maximum(), 127);
    EXPECT_EQ(aux->value(), 0);
    EXPECT_EQ(aux->maximum(), 255);
    EXPECT_EQ(QApplication::focusWidget(), mic);
    // Tab order is the template's.
    std::vector<int> order;
    QWidget* c = mic;
    for (int guard = 0; c && order.size() < 6 && guard < 50; ++guard, c = c->nextInFocusChain())
      if (c->focusPolicy() != Qt::NoFocus && c->parentWidget() == &w)
        for (const auto& t : w.Template().controls)
          if (w.Control(t.id) == c) order.push_back(t.id);
    EXPECT_EQ(order, (std::vector<int>{1000, 1010, 1005, 1006, 1008, 1007}));
    // Not resizable, no maximise, the program icon on the window.
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    // Every size of the icon theme, so that each use takes the largest that fits unscaled.
    const QList<QSize> sizes = w.windowIcon().availableSizes();
    for (int size : {16, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    EXPECT_EQ(w.windowIcon().pixmap(QSize(64, 64)).size(), QSize(64, 64));
    EXPECT_EQ(ClippedTexts(w), std::vector<std::string>{});
    EXPECT_TRUE(Writes().isEmpty());
    QTest::keyClick(mic, Qt::Key_Escape);
  });
  EXPECT_EQ(modeAtOpen, 0x16);
  EXPECT_EQ(Log(), QStringList{"out 0x0334 0x16"});
  ASSERT_NE(registry.Settings(), nullptr);
  EXPECT_EQ(registry.Settings()->values.size(), 6u);
}

TEST_F(PanelDialog, ButtonsFlipTheirSwitchAndRewriteTheModeByte) {
  Run([&](vx::QtDialogWidget& w) {
    auto* channels = Control<QPushButton>(w, IDC_CHANNELS);
    QTest::mouseClick(channels, Qt::LeftButton);
    EXPECT_EQ(channels->text(), "Mo&no");
    QTest::mouseClick(channels, Qt::LeftButton);
    EXPECT_EQ(channels->text(), "&Stereo");
    QTest::mouseClick(Control<QPushButton>(w, IDC_MONITOR), Qt::LeftButton);
    // Every switch shows its other caption now (Mono was checked above), and each fits.
    QTest::mouseClick(Control<QPushButton>(w, IDC_INPUT), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(w, IDC_BITS), Qt::LeftButton);
    QTest::mouseClick(channels, Qt::LeftButton);
    EXPECT_EQ(ClippedTexts(w), std::vector<std::string>{});
    QTest::mouseClick(Control<QPushButton>(w, IDC_INPUT), Qt::LeftButton);
    QTest::mouseClick(Control<QPushButton>(w, IDC_BITS), Qt::LeftButton);
    QTest::mouseClick(channels, Qt::LeftButton);
    w.close();  // the window's close button
  });
  EXPECT_EQ(Writes(), (QStringList{"out 0x0334 0x14", "out 0x0334 0x16", "out 0x0334 0x56",
                                   "out 0x0334 0x76", "out 0x0334 0x72", "out 0x0334 0x70",
                                   "out 0x0334 0x50", "out 0x0334 0x54", "out 0x0334 0x56"}));
  EXPECT_EQ(registry.SettingsDword("Mon"), 1u);
}

TEST_F(PanelDialog, KeysMoveASliderAndEachReleasedKeyWritesTheGainOnce) {
  Run([&](vx::QtDialogWidget& w) {
    auto* mic = Control<vx::TrackBar>(w, IDC_MIC_SLIDER);
    QTest::keyClick(mic, Qt::Key_Right);
    EXPECT_EQ(mic->value(), 1);
    QTest::keyClick(mic, Qt::Key_PageDown);  // a fifth of the range
    EXPECT_EQ(mic->value(), 26);
    QTest::keyClick(mic, Qt::Key_End);
    QTest::keyClick(mic, Qt::Key_Up);
    QTest::keyClick(mic, Qt::Key_Return);  // Enter on a slider is OK
  });
  EXPECT_EQ(Writes(), (QStringList{"out 0x0333 0x04", "out 0x0332 0x01", "out 0x0333 0x04",
                                   "out 0x0332 0x1a", "out 0x0333 0x04", "out 0x0332 0x7f",
                                   "out 0x0333 0x04", "out 0x0332 0x7e"}));
  EXPECT_EQ(gains.first, 126);
  // The poll in between: three busy reads, then the clear one.
  EXPECT_EQ(Log().mid(2, 4), (QStringList{"in 0x0338 0x0200", "in 0x0338 0x0200",
                                          "in 0x0338 0x0200", "in 0x0338 0x0000"}));
}

TEST_F(PanelDialog, DraggingWritesNothingUntilTheThumbIsReleased) {
  Run([&](vx::QtDialogWidget& w) {
    auto* aux = Control<vx::TrackBar>(w, IDC_AUX_SLIDER);
    const QPoint start = ThumbCentre(aux);
    QTest::mousePress(aux, Qt::LeftButton, {}, start);
    for (int dx = 10; dx <= 60; dx += 10) QTest::mouseMove(aux, start + QPoint(dx, 0));
    EXPECT_GT(aux->value(), 0);
    EXPECT_TRUE(Writes().isEmpty());
    QTest::mouseMove(aux, QPoint(aux->width() + 50, start.y()));
    QTest::mouseRelease(aux, Qt::LeftButton, {}, QPoint(aux->width() + 50, start.y()));
    EXPECT_EQ(aux->value(), 255);
    QTest::keyClick(aux, Qt::Key_Escape);
  });
  EXPECT_EQ(Writes(), (QStringList{"out 0x0333 0x08", "out 0x0332 0xff"}));
  EXPECT_EQ(Log().at(2), "in 0x0338 0x0400");
}

TEST_F(PanelDialog, AValueSetFromOutsideAMovementWritesTheGainOnceAsAReleasedDrag) {
  Run([&](vx::QtDialogWidget& w) {
    auto* mic = Control<vx::TrackBar>(w, IDC_MIC_SLIDER);
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(mic);
    ASSERT_TRUE(access && access->valueInterface());
    access->valueInterface()->setCurrentValue(64);  // as a screen reader sets it
    EXPECT_EQ(mic->value(), 64);
    access->valueInterface()->setCurrentValue(64);  // no change: nothing to write
    Control<vx::TrackBar>(w, IDC_AUX_SLIDER)->setValue(300);  // clamped to the range
    QTest::keyClick(mic, Qt::Key_Escape);
  });
  EXPECT_EQ(Writes(), (QStringList{"out 0x0333 0x04", "out 0x0332 0x40", "out 0x0333 0x08",
                                   "out 0x0332 0xff"}));
}

TEST_F(PanelDialog, AClickOnTheTrackPagesTowardsItAndWritesOnRelease) {
  Run([&](vx::QtDialogWidget& w) {
    auto* aux = Control<vx::TrackBar>(w, IDC_AUX_SLIDER);
    const QPoint right(aux->width() - 3, aux->height() / 2);
    QTest::mousePress(aux, Qt::LeftButton, {}, right);
    EXPECT_TRUE(Writes().isEmpty());
    QTest::mouseRelease(aux, Qt::LeftButton, {}, right);
    EXPECT_EQ(aux->value(), 51);
    QTest::keyClick(aux, Qt::Key_Escape);
  });
  EXPECT_EQ(Writes(), (QStringList{"out 0x0333 0x08", "out 0x0332 0x33"}));
}

TEST_F(PanelDialog, MnemonicsAndAcceleratorsWorkFromTheKeyboard) {
  Run([&](vx::QtDialogWidget& w) {
    auto* mic = Control<vx::TrackBar>(w, IDC_MIC_SLIDER);
    QTest::keyClick(mic, Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), w.Control(IDC_AUX_SLIDER));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), mic);
    QTest::keyClick(mic, Qt::Key_N, Qt::AltModifier);  // "&Stereo": no N yet
    QTest::keyClick(mic, Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(Control<QPushButton>(w, IDC_CHANNELS)->text(), QString("Mo&no"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
    QTRY_COMPARE(Control<QPushButton>(w, IDC_MONITOR)->text(), QString("Monitor &On"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  });
  EXPECT_EQ(Writes(), (QStringList{"out 0x0334 0x14", "out 0x0334 0x54"}));
  EXPECT_EQ(settings.Chan, 0);
}

TEST_F(PanelDialog, EnterOnAButtonPressesItAndEnterOnASliderEndsTheDialog) {
  Run([&](vx::QtDialogWidget& w) {
    auto* bits = Control<QPushButton>(w, IDC_BITS);
    bits->setFocus();
    QTest::keyClick(bits, Qt::Key_Return);
    EXPECT_EQ(bits->text(), "8 &Bit");
    EXPECT_TRUE(w.isVisible());
    w.Control(IDC_AUX_SLIDER)->setFocus();
    QTest::keyClick(w.Control(IDC_AUX_SLIDER), Qt::Key_Enter);
    EXPECT_FALSE(w.isVisible());
  });
  EXPECT_EQ(Writes(), QStringList{"out 0x0334 0x12"});
  EXPECT_EQ(registry.SettingsDword("Bits"), 0u);
}

TEST_F(PanelDialog, ASilentCardIsReportedOnceAndTheDialogCarriesOn) {
  Run(
      [&](vx::QtDialogWidget& w) {
        auto* mic = Control<vx::TrackBar>(w, IDC_MIC_SLIDER);
        AnswerNextMessageBox();
        QTest::keyClick(mic, Qt::Key_Right);
        QTest::keyClick(mic, Qt::Key_Right);  // no second message
        QTest::keyClick(mic, Qt::Key_Escape);
      },
      vx::EmulatedCard::kStuck);
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].startsWith("Vexmor Recording: The sound card at port 0x0330 does not answer"))
      << boxes[0].toStdString();
  EXPECT_EQ(Writes(), (QStringList{"out 0x0333 0x04", "out 0x0333 0x04"}));
  EXPECT_EQ(gains.first, 0);
}

TEST_F(PanelDialog, F1OpensOneHelpWindowThatEscapeClosesAndAMissingOrEmptyFileIsNamed) {
  QFile help(dir.filePath("Volsar.hlp"));
  ASSERT_TRUE(help.open(QIODevice::WriteOnly));
  help.write("# Vexmor Recording\n\nThe *microphone* slider sets the gain.\n\nNot UTF-8: \xff\xfe.\n");
  help.close();
  QString shown;
  int viewers = 0;
  bool activeAfterClose = false;
  Run([&](vx::QtDialogWidget& w) {
    auto viewer = [] {
      QList<QWidget*> found;
      for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "HelpViewer" && top->isVisible()) found << top;
      return found;
    };
    QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_F1);
    QTRY_COMPARE(viewer().size(), 1);
    QWidget* window = viewer()[0];
    EXPECT_EQ(window->parentWidget(), &w);  // owned by the dialog, so not blocked by it
    shown = window->findChild<QTextBrowser*>()->toPlainText();
    // F1 again from the dialog: the same window comes forward.
    w.activateWindow();
    QTRY_VERIFY(w.isActiveWindow());
    QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_F1);
    QTRY_VERIFY(window->isActiveWindow());
    viewers = viewer().size();
    QTest::keyClick(window->findChild<QTextBrowser*>(), Qt::Key_Escape);
    QTRY_VERIFY(viewer().isEmpty());
    QTRY_VERIFY(w.isActiveWindow());
    activeAfterClose = w.isActiveWindow();
    QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_Right);
    QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_Escape);
  });
  EXPECT_TRUE(shown.contains("microphone slider sets the gain")) << shown.toStdString();
  EXPECT_TRUE(shown.contains(QString("Not UTF-8: ") + QChar::ReplacementCharacter));
  EXPECT_EQ(viewers, 1);
  EXPECT_TRUE(activeAfterClose);
  EXPECT_EQ(gains.first, 1);

  // A missing file, an empty one, and a FIFO or a folder in its place (a FIFO would block an open
  // for reading): a message naming the full path, and the dialog goes on.
  QDir().mkpath(dir.filePath("empty"));
  QFile(dir.filePath("empty/Volsar.hlp")).open(QIODevice::WriteOnly);
  QDir().mkpath(dir.filePath("fifo"));
  ASSERT_EQ(::mkfifo(dir.filePath("fifo/Volsar.hlp").toLocal8Bit().constData(), 0600), 0);
  QDir().mkpath(dir.filePath("folder/Volsar.hlp"));
  for (const QString& folder : {dir.filePath("nowhere"), dir.filePath("empty"),
                                dir.filePath("fifo"), dir.filePath("folder")}) {
    helpDir = folder;
    boxes.clear();
    Run([&](vx::QtDialogWidget& w) {
      AnswerNextMessageBox();
      QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_F1);
      QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_Right);
      QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_Escape);
    });
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains("Help is not available: ")) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(folder + "/Volsar.hlp")) << boxes[0].toStdString();
    EXPECT_EQ(gains.first, 1);
  }

  // Help files naming what must never be opened: a FIFO (the panel would wait for a writer) and
  // /dev/zero (it would read until its memory ran out), once, as often as 4 KB of Markdown holds,
  // and a thousand times (shown as plain text). Shown at once, images as their alt text, links
  // as plain text, and the panel goes on.
  const std::string fifo = dir.filePath("pipe").toStdString(), title = "# Vexmor Recording\n\n";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string full = title, thousand = title;
  while (full.size() + fifo.size() + 5 <= vx::kHelpMarkdownLimit) full += "![](" + fifo + ")";
  for (int i = 0; i < 1000; ++i) thousand += "![" + std::to_string(i) + "](/dev/zero)\n";
  const std::pair<std::string, QString> rows[] = {
      {title + "A ![picture](" + fifo + ") of ![nothing](/dev/zero), [a link](" + fifo + ").\n",
       "A picture of nothing, a link."},
      {full, "Vexmor Recording"},
      {thousand, "![999](/dev/zero)"},
      // HTML shows as the text it is, and nothing after it is lost; a file all HTML is shown.
      {title + "A <img src=x alt=y> here.\n\nLater text.\n",
       "A <img src=x alt=y> here.\nLater text."},
      {"<html><head><link rel=stylesheet href=" + fifo + "></head><body><img src=" + fifo + ">\n",
       QString::fromStdString("<body><img src=" + fifo + ">")}};
  helpDir = dir.filePath("images");
  QDir().mkpath(helpDir);
  for (const auto& [source, words] : rows) {
    QFile file(helpDir + "/Volsar.hlp");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(source.data(), static_cast<qint64>(source.size()));
    file.close();
    qint64 took = -1;
    int loaded = -1;
    Run([&](vx::QtDialogWidget& w) {
      QElapsedTimer clock;
      clock.start();
      QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_F1);
      took = clock.elapsed();
      auto* browser = w.findChild<QTextBrowser*>();
      ASSERT_NE(browser, nullptr);
      shown = browser->toPlainText();
      loaded = 0;
      for (QTextBlock b = browser->document()->begin(); b.isValid(); b = b.next())
        for (auto f = b.begin(); !f.atEnd(); ++f) {
          const QTextCharFormat format = f.fragment().charFormat();
          loaded += format.isImageFormat() || format.isAnchor();
        }
      QTest::keyClick(browser, Qt::Key_Escape);
      QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_Right);
      QTest::keyClick(w.Control(IDC_MIC_SLIDER), Qt::Key_Escape);
    });
    EXPECT_LT(took, 1000);
    EXPECT_TRUE(shown.contains(words)) << shown.toStdString();
    EXPECT_EQ(loaded, 0) << "images or links left in the window";
    EXPECT_EQ(gains.first, 1);
  }
}

}  // namespace
