// One QApplication for every GUI test of this executable.
#pragma once

#include <QApplication>

inline QApplication& TestApp() {
  static int argc = 1;
  static char arg0[] = "test_modules";
  static char* argv[] = {arg0, nullptr};
  // Never destroyed: tearing it down in exit handlers crashes in the toolkit's device list.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}
