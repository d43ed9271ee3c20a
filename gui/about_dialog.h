// The about dialog (F12): program name, version, build date, licence and the libraries used.
#pragma once

#include <QDialog>

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);

  // The text shown (rich text), also for tests.
  static QString Text();
};
