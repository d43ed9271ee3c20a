#include "modules/linear_gauge_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

LinearGaugeDialog::LinearGaugeDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  QFormLayout* form = nullptr;
  fields_.Build(this, TypeLayout(), QStringLiteral("Linear Gauge"), &form, [this] { SettingsEdited(); });
  orientation_ = new QComboBox(this);
  orientation_->addItems({QStringLiteral("Horizontal"), QStringLiteral("Vertical")});
  form->addRow(QStringLiteral("Orientation:"), orientation_);
  if (const auto* p = initial.As<LINEAR_GAUGE_SETTINGS>()) {
    fields_.Load(*p);
    orientation_->setCurrentIndex(p->IsHorizontal != 0 ? 0 : 1);
  }
  connect(orientation_, &QComboBox::currentIndexChanged, this, [this] { SettingsEdited(); });
}

void LinearGaugeDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<LINEAR_GAUGE_SETTINGS>();
  if (p == nullptr) return;
  fields_.Store(*p);
  p->IsHorizontal = orientation_->currentIndex() == 0 ? 1 : 0;
}
