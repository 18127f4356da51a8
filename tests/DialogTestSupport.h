// What the dialog tests share: the one QApplication a test program needs, and a way to drive the
// modal dialog a program's start-up shows.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/qt/QtDialogWindow.h"

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "dialog_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Arranges for script to get the modal dialog once it is shown and active; run then starts the
// program, which shows it. A dialog the script leaves open is closed, so that a failed expectation
// cannot hang the test.
inline void DriveModalDialog(const std::function<void(vx::QtDialogWidget&)>& script,
                             const std::function<void()>& run) {
  QTimer::singleShot(0, [&] {
    auto* widget = qobject_cast<vx::QtDialogWidget*>(QApplication::activeModalWidget());
    if (!widget) {
      ADD_FAILURE() << "no modal dialog";
      return;
    }
    EXPECT_TRUE(QTest::qWaitForWindowActive(widget));
    script(*widget);
    if (widget->isVisible()) {
      ADD_FAILURE() << "the script left the dialog open";
      widget->done(0);
    }
  });
  run();
}

// The captions of the dialog's labels and push buttons whose text does not fit inside the control
// as the style lays it out (a label's contents, a button's contents inside its bevel), each with
// the room it has: empty when no text is clipped. (At Qt scale factors 1.5 and 2 the logical
// metrics are the same; the screenshots of tests/wayland and tools/screenshot show those.)
inline std::vector<std::string> ClippedTexts(const QWidget& dialog) {
  std::vector<std::string> clipped;
  const auto report = [&](const QWidget* c, const QString& text, QSize need, QRect room) {
    if (need.width() > room.width() || need.height() > room.height())
      clipped.push_back(text.toStdString() + " needs " + std::to_string(need.width()) + "x" +
                        std::to_string(need.height()) + ", has " + std::to_string(room.width()) +
                        "x" + std::to_string(room.height()) + " in " +
                        c->metaObject()->className());
  };
  for (const QLabel* label : dialog.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    const QSize need = label->fontMetrics().size(Qt::TextShowMnemonic, label->text());
    report(label, label->text(), need, label->contentsRect());
  }
  for (const QPushButton* button : dialog.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    report(button, button->text(), button->fontMetrics().size(Qt::TextShowMnemonic, button->text()),
           room);
  }
  return clipped;
}
