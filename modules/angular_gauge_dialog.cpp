#include "modules/angular_gauge_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

AngularGaugeDialog::AngularGaugeDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  QFormLayout* form = nullptr;
  fields_.Build(this, TypeLayout(), QStringLiteral("Angular Gauge"), &form, [this] { SettingsEdited(); });
  angle_ = new QComboBox(this);
  angle_->addItems({QStringLiteral("90 degrees"), QStringLiteral("180 degrees"), QStringLiteral("270 degrees")});
  form->addRow(QStringLiteral("Angle:"), angle_);
  fill_ = new QCheckBox(QStringLiteral("Fill gauge"), this);
  form->addRow(fill_);
  if (const auto* p = initial.As<ANGULAR_GAUGE_SETTINGS>()) {
    fields_.Load(*p);
    angle_->setCurrentIndex(p->Angle == 90 ? 0 : p->Angle == 180 ? 1 : 2);
    fill_->setChecked(p->IsFilling != 0);
  }
  connect(angle_, &QComboBox::currentIndexChanged, this, [this] { SettingsEdited(); });
  connect(fill_, &QCheckBox::toggled, this, [this] { SettingsEdited(); });
}

void AngularGaugeDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<ANGULAR_GAUGE_SETTINGS>();
  if (p == nullptr) return;
  fields_.Store(*p);
  p->Angle = (angle_->currentIndex() + 1) * 90;
  p->IsFilling = fill_->isChecked() ? 1 : 0;
}
