#include "gui/cheat_sheet.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

CheatSheet::CheatSheet(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Tarvik Vistro CheatSheet"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* grid = new QGridLayout(this);
  const int menu_rows = int(SHORTCUT_MenuBarTable().size());
  const int app_rows = int(SHORTCUT_AppTable().size());
  grid->addWidget(MakeGroup(QStringLiteral("Menu Bar"), SHORTCUT_MenuBarTable(), menu_rows), 0, 0);
  grid->addWidget(MakeGroup(QStringLiteral("App"), SHORTCUT_AppTable(), app_rows), 1, 0);
  grid->addWidget(MakeGroup(QStringLiteral("Module Board"), SHORTCUT_BoardTable(),
                            kBoardRowsPerColumn),
                  0, 1, 3, 1);
  grid->setRowStretch(2, 1);
}

QGroupBox* CheatSheet::MakeGroup(const QString& title, const SHORTCUT_TABLE& table,
                                 int rows_per_column) {
  auto* box = new QGroupBox(title);
  auto* grid = new QGridLayout(box);
  grid->setHorizontalSpacing(16);
  const Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop;
  for (int i = 0; i < int(table.size()); ++i) {
    const SHORTCUT_ENTRY& entry = table[size_t(i)];
    const int row = i % rows_per_column;
    const int column = 2 * (i / rows_per_column);
    // Separator rows keep their place (empty labels), so both column pairs line up.
    auto* key = new QLabel(entry.KeyText());
    auto* text = new QLabel(entry.description);
    QFont bold = key->font();
    bold.setBold(true);
    key->setFont(bold);
    if (entry.IsSeparator()) key->setMinimumHeight(key->fontMetrics().height() / 2);
    grid->addWidget(key, row, column, align);
    grid->addWidget(text, row, column + 1, align);
  }
  return box;
}
