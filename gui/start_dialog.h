// Asked when the program starts blank: create a new project or open an existing one.
#pragma once

#include <QDialog>

class StartDialog : public QDialog {
  Q_OBJECT

 public:
  // Dialog results.
  enum Choice : int { kNone = 0, kNewProject = 1, kOpenProject = 2 };

  explicit StartDialog(QWidget* parent = nullptr);
  int Choice() const { return choice_; }

 private:
  int choice_ = kNewProject;
};
