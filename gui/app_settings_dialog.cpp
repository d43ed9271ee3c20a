#include "gui/app_settings_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app_jobs.h"
#include "persist/settings_file.h"
#include "platform/sys_msgbox.h"

AppSettingsDialog::AppSettingsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Vistro App Settings"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);

  auto* startup = new QGroupBox(QStringLiteral("Startup Options"));
  auto* startup_row = new QHBoxLayout(startup);
  launch_ = new QComboBox;
  launch_->addItems({QStringLiteral("Start blank"), QStringLiteral("Start with latest project")});
  const int32_t launch = SETTINGS_GetLaunchOptions();
  launch_->setCurrentIndex(launch == 1 ? 1 : 0);
  startup_row->addWidget(launch_);
  layout->addWidget(startup);

  auto* values = new QGroupBox(QStringLiteral("Value Defaults"));
  auto* values_row = new QHBoxLayout(values);
  int_base_ = new QComboBox;
  int_base_->addItems({QStringLiteral("Decimal"), QStringLiteral("Hexadecimal")});
  int_base_->setCurrentIndex(SETTINGS_GetIntDefaultHex() != 0 ? 1 : 0);
  values_row->addWidget(new QLabel(QStringLiteral("Display Integers as")));
  values_row->addWidget(int_base_);
  layout->addWidget(values);

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"));
  ok->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &AppSettingsDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &AppSettingsDialog::reject);
}

void AppSettingsDialog::accept() {
  if (SETTINGS_SetLaunchOptions(launch_->currentIndex()) != 0) {
    SYS_WarningBox("Saving the startup options to settings file failed!");
  }
  const bool hex = int_base_->currentIndex() == 1;
  if (SETTINGS_SetIntDefaultHex(hex ? 1 : 0) != 0) {
    SYS_WarningBox("Saving the default for displaying integers to settings file failed!");
  } else {
    APP_SetIntDefaultHex(hex ? 1 : 0);
  }
  QDialog::accept();
}
