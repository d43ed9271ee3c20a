// The one application object widget tests need, made on first use.
#pragma once

#include <QApplication>

inline void EnsureQApplication() {
  static int argc = 1;
  static char name[] = "vistro-test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}
