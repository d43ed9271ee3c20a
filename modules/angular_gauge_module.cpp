#include "modules/angular_gauge_module.h"

#include <QPainter>

#include "modules/angular_gauge_dialog.h"
#include "modules/display_module_util.h"

AngularGaugeModule::AngularGaugeModule(ModuleHost* host, QWidget* parent) : CalculationDisplayModule(host, parent) {}

AngularGaugeModule::~AngularGaugeModule() = default;

QString AngularGaugeModule::GetInfoText() const {
  return QStringLiteral("Display: %1\nMinimum: %2\nMaximum: %3\n")
      .arg(DisplayCalculationText(part_.Calculation))
      .arg(part_.MinValue)
      .arg(part_.MaxValue);
}

QString AngularGaugeModule::GetFrameStyleSheet() const { return DisplayFrameStyle(part_.ColorBackgroundRGBA); }

ToolModuleDialog* AngularGaugeModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new AngularGaugeDialog(this, initial, parent);
}

void AngularGaugeModule::RunUpdate() {
  VALUE_SLOT value{};
  uint32_t type = 0;
  int64_t shown = 0;
  if (Evaluate(&value, &type) && GAUGE_ResultToInteger(value, type, false, &shown)) {
    value_ = shown;
  }
  update();
}

ANGULAR_GAUGE_STATE AngularGaugeModule::PaintState() const {
  ANGULAR_GAUGE_STATE s;
  s.rect = QRectF(rect());
  s.min = part_.MinValue;
  s.max = part_.MaxValue;
  s.angle = part_.Angle;
  s.zones = ModuleGaugeZones(part_.Indicators, part_.Blur != 0);
  s.pen = ModuleColor(part_.ColorPenRGBA);
  s.fill = part_.IsFilling != 0;
  s.value = value_;
  return s;
}

void AngularGaugeModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintAngularGauge(painter, PaintState());
}
