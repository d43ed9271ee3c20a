#include "gui/start_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

StartDialog::StartDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Tarvik Vistro"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Please select one of the following start options: ")),
                  0, 0, 1, 2);
  auto* new_project = new QRadioButton(QStringLiteral("New Project"));
  auto* open_project = new QRadioButton(QStringLiteral("Open Project"));
  new_project->setChecked(true);
  grid->addWidget(new_project, 1, 0, 1, 2);
  grid->addWidget(open_project, 2, 0, 1, 2);
  auto* ok = new QPushButton(QStringLiteral("OK"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"));
  ok->setDefault(true);
  grid->addWidget(ok, 3, 0);
  grid->addWidget(cancel, 3, 1);
  connect(new_project, &QRadioButton::toggled, this, [this](bool on) {
    if (on) choice_ = kNewProject;
  });
  connect(open_project, &QRadioButton::toggled, this, [this](bool on) {
    if (on) choice_ = kOpenProject;
  });
  connect(ok, &QPushButton::clicked, this, [this] { done(choice_); });
  connect(cancel, &QPushButton::clicked, this, [this] { done(kNone); });
}
