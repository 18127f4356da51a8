// What the dialog tests share: the one QApplication a test program needs, and a way to drive the
// modal dialog a program's start-up shows.
#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

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
