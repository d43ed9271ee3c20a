// The application preferences kept in the settings file: what to do at start-up and whether
// integers are shown in decimal or hexadecimal by default. Read when built, written on OK.
#pragma once

#include <QDialog>

class QComboBox;

class AppSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AppSettingsDialog(QWidget* parent = nullptr);

 public slots:
  void accept() override;

 private:
  QComboBox* launch_ = nullptr;
  QComboBox* int_base_ = nullptr;
};

