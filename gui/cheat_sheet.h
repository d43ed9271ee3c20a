// The cheat sheet (F1): every shortcut of the program with its description, in three groups
// "Menu Bar", "App" and "Module Board". The board's rows are laid out in two column pairs.
#pragma once

#include <QDialog>

#include "gui/shortcuts.h"

class QGroupBox;

class CheatSheet : public QDialog {
  Q_OBJECT

 public:
  explicit CheatSheet(QWidget* parent = nullptr);

  // Rows per column pair in the module board group.
  static constexpr int kBoardRowsPerColumn = 18;

 private:
  // Lays `table` out as key/description label pairs, `rows_per_column` rows per pair.
  static QGroupBox* MakeGroup(const QString& title, const SHORTCUT_TABLE& table,
                              int rows_per_column);
};
