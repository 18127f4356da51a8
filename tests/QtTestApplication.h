// The one QApplication a dialog test program needs, made on first use.
#pragma once

#include <QApplication>

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "dialog_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}
