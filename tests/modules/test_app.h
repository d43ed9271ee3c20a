// One QApplication for every GUI test of this executable.
#pragma once

#include <QApplication>

inline QApplication& TestApp() {
  static int argc = 1;
  static char arg0[] = "test_modules";
  static char* argv[] = {arg0, nullptr};
  static QApplication app(argc, argv);
  return app;
}
