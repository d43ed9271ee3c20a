#include "modules/linear_gauge_module.h"

#include <QPainter>

#include "modules/display_module_util.h"
#include "modules/linear_gauge_dialog.h"

LinearGaugeModule::LinearGaugeModule(ModuleHost* host, QWidget* parent) : CalculationDisplayModule(host, parent) {}

LinearGaugeModule::~LinearGaugeModule() = default;

QString LinearGaugeModule::GetInfoText() const {
  return QStringLiteral("Display: %1\nMinimum: %2\nMaximum: %3\nOrientation: %4\n")
      .arg(DisplayCalculationText(part_.Calculation))
      .arg(part_.MinValue)
      .arg(part_.MaxValue)
      .arg(part_.IsHorizontal != 0 ? QStringLiteral("Horizontal") : QStringLiteral("Vertical"));
}

QString LinearGaugeModule::GetFrameStyleSheet() const { return DisplayFrameStyle(part_.ColorBackgroundRGBA); }

ToolModuleDialog* LinearGaugeModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LinearGaugeDialog(this, initial, parent);
}

void LinearGaugeModule::RunUpdate() {
  VALUE_SLOT value{};
  uint32_t type = 0;
  int64_t shown = 0;
  // A bool reads as a flag here: 1 when set.
  if (Evaluate(&value, &type) && GAUGE_ResultToInteger(value, type, true, &shown)) {
    value_ = shown;
  }
  update();
}

LINEAR_GAUGE_STATE LinearGaugeModule::PaintState() const {
  LINEAR_GAUGE_STATE s;
  s.rect = QRectF(rect());
  s.min = part_.MinValue;
  s.max = part_.MaxValue;
  s.horizontal = part_.IsHorizontal != 0;
  s.zones = ModuleGaugeZones(part_.Indicators, part_.Blur != 0);
  s.pen = ModuleColor(part_.ColorPenRGBA);
  s.value = value_;
  return s;
}

void LinearGaugeModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintLinearGauge(painter, PaintState());
}
